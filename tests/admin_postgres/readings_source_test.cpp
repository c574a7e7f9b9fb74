// The PostgreSQL readings source itself: the snapshot is fixed when it opens, the numbers only
// PostgreSQL holds come out as the formats write them, and codes come in the order of their
// bytes whatever the column's collation.

#include "store/readings_source.hpp"

#include "admin/admin_store_test.hpp"
#include "store/postgres/admin_session.hpp"

namespace tavix::testing {
namespace {

class PostgresSourceTest : public ::testing::Test, public StoreFixture {
  protected:
    PostgresSourceTest() : StoreFixture(StoreKind::kPostgres) {}
};

std::int64_t RowsOf(store::RowCursor& cursor) {
    std::int64_t rows = 0;
    while (cursor.Next()) {
        ++rows;
    }
    return rows;
}

TEST_F(PostgresSourceTest, ReadingsStoredAfterItOpensAreNotSeen) {
    AddReadings(5);
    const auto source = store::OpenReadingsSource(path_);
    AddReadings(3);
    EXPECT_EQ(source->Summary().readings, 5);
    EXPECT_EQ(RowsOf(*source->Readings({})), 5);
    EXPECT_EQ(RowsOf(*source->CodeTotals({})), 5);
    EXPECT_EQ(source->Name(), store_->Name());
}

// Waiting for another session's lock is part of a statement: the same minute, not less.
TEST_F(PostgresSourceTest, ALockIsWaitedForAsLongAsAnyStatement) {
    auto admin = store::postgres::OpenAdminConnection(path_);
    EXPECT_EQ(admin.Execute("SELECT current_setting('lock_timeout')", "read").Text(0, 0), "1min");
}

TEST_F(PostgresSourceTest, BothUriSchemesNameTheServer) {
    AddReadings(2);
    ASSERT_EQ(path_.rfind("postgresql://", 0), 0u);
    const std::string short_scheme =
        "postgres://" + path_.substr(std::string("postgresql://").size());
    const AdminResult result = Admin({"stats", short_scheme});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("readings: 2\n", 0), 0u) << result.out;
}

TEST_F(PostgresSourceTest, RowsComeInBatchesAndAllOfThemCome) {
    AddReadings(4999);  // two full batches and a part of one
    const auto source = store::OpenReadingsSource(path_);
    const auto readings = source->Readings({});
    std::int64_t expected_id = 1;
    while (readings->Next()) {
        ASSERT_EQ(readings->Fields()[0].integer, expected_id);
        ASSERT_EQ(readings->Fields()[1].text, "C" + std::to_string(expected_id));
        ++expected_id;
    }
    EXPECT_EQ(expected_id, 5000);
}

TEST_F(PostgresSourceTest, InfinitiesAndNotANumberAreWrittenAsTheFormatsSay) {
    Sql("INSERT INTO readings (code, qt) VALUES ('a', 'Infinity'), ('b', '-Infinity'), "
        "('c', 'NaN')");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "1,a,Inf,,\r\n"
              "2,b,-Inf,,\r\n"
              "3,c,NaN,,\r\n");
    EXPECT_EQ(Export({"--format", "jsonl"}),
              "{\"id\":1,\"code\":\"a\",\"qt\":null,\"terminal\":null,\"DateTime\":null}\n"
              "{\"id\":2,\"code\":\"b\",\"qt\":null,\"terminal\":null,\"DateTime\":null}\n"
              "{\"id\":3,\"code\":\"c\",\"qt\":null,\"terminal\":null,\"DateTime\":null}\n");
}

TEST_F(PostgresSourceTest, TotalsAreInByteOrderWhateverTheCollation) {
    // A natural-language collation puts "a" before "B"; the SQLite file's order does not.
    Sql("ALTER TABLE readings ALTER COLUMN code TYPE text COLLATE \"en-x-icu\"");
    Sql("INSERT INTO readings (code, qt) VALUES ('b', 1), ('B', 2), ('a', 3), ('A', 4), "
        "(NULL, 5), ('é', 6), ('e', 7)");
    EXPECT_EQ(Export({"--totals"}),
              "code,qt,readings\r\n"
              ",5,1\r\n"
              "A,4,1\r\n"
              "B,2,1\r\n"
              "a,3,1\r\n"
              "b,1,1\r\n"
              "e,7,1\r\n"
              "é,6,1\r\n");
}

TEST_F(PostgresSourceTest, ValuesComeInOneFormWhateverTheDatabasesSettings) {
    // Settings a site may have: dates day first, and floats rounded to 15 digits.
    Sql("DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET DateStyle = ''SQL, DMY''', "
        "current_database()); EXECUTE format('ALTER DATABASE %I SET extra_float_digits = 0', "
        "current_database()); END $$");
    Sql("INSERT INTO readings (code, qt, datetime) VALUES "
        "('a', 0.30000000000000004, '2024-05-01 10:00:00')");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "1,a,0.30000000000000004,,2024-05-01 10:00:00\r\n");
    const AdminResult stats = Admin({"stats", path_});
    EXPECT_NE(stats.out.find("first DateTime: 2024-05-01 10:00:00\n"), std::string::npos)
        << stats.out;
}

}  // namespace
}  // namespace tavix::testing
