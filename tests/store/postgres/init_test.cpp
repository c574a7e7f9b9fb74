#include "readings_server.hpp"
#include "support/admin_process.hpp"

namespace tavix::store {
namespace {

using testing::AdminResult;
using testing::RunAdmin;

std::string ValueIn(postgres::Connection& connection, const std::string& sql) {
    const postgres::Result result = connection.Execute(sql, "look at the database");
    return result.Rows() == 0 ? "" : std::string(result.Text(0, 0));
}

class PostgresInitTest : public ::testing::Test {
  protected:
    testing::FreshDatabase database_;
    postgres::Connection administrator_{database_.ConnInfo()};
};

TEST_F(PostgresInitTest, CreatesTheReadingsTableAndItsIndexAsOtherToolsExpectThem) {
    CreateReadingsDatabase(database_.Uri());
    EXPECT_EQ(ValueIn(administrator_,
                      "SELECT string_agg(column_name || ' ' || data_type || "
                      "coalesce(' ' || collation_name, '') || coalesce(' ' || datetime_precision, "
                      "'') || ' ' || is_nullable || ' ' || is_identity || "
                      "coalesce(' ' || identity_generation, ''), ', ' ORDER BY ordinal_position) "
                      "FROM information_schema.columns WHERE table_name = 'readings'"),
              "id bigint NO YES ALWAYS, code text C YES NO, qt double precision YES NO, "
              "terminal text YES NO, datetime timestamp without time zone 0 YES NO, "
              "reading_key uuid NO NO, source uuid YES NO, source_id bigint YES NO");
    EXPECT_EQ(ValueIn(administrator_,
                      "SELECT string_agg(indexdef, '; ' ORDER BY indexname) FROM pg_indexes "
                      "WHERE tablename = 'readings'"),
              "CREATE INDEX readings_code ON public.readings USING btree (code, id); "
              "CREATE UNIQUE INDEX readings_pkey ON public.readings USING btree (id); "
              "CREATE UNIQUE INDEX readings_reading_key_key ON public.readings USING btree "
              "(reading_key)");
    // Other tools store readings without a key of their own, and the same query text runs on
    // both kinds of store.
    administrator_.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) "
        "VALUES ('A', 1, '6', '2026-12-07 10:00:00')",
        "store a reading as another tool");
    EXPECT_EQ(
        ValueIn(administrator_, "SELECT count(*) FROM readings WHERE reading_key IS NOT NULL"),
        "1");
    EXPECT_EQ(ValueIn(administrator_,
                      "SELECT code || ' ' || qt || ' ' || terminal || ' ' || DateTime "
                      "FROM Readings ORDER BY id"),
              "A 1 6 2026-12-07 10:00:00");
}

TEST_F(PostgresInitTest, RefusesADatabaseThatHasAReadingsTableAndChangesNothing) {
    administrator_.Execute("CREATE TABLE readings (code text)", "create another readings table");
    administrator_.Execute("INSERT INTO readings VALUES ('kept')", "store a reading");
    try {
        CreateReadingsDatabase(database_.Uri());
        ADD_FAILURE() << "created over an existing table";
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find("a table readings exists already"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ValueIn(administrator_,
                      "SELECT string_agg(column_name, ',') FROM information_schema.columns "
                      "WHERE table_name = 'readings'"),
              "code");
    EXPECT_EQ(ValueIn(administrator_, "SELECT string_agg(code, ',') FROM readings"), "kept");
    EXPECT_EQ(
        ValueIn(administrator_, "SELECT count(*) FROM pg_indexes WHERE tablename = 'readings'"),
        "0");
}

// The throw-away server trusts its local users, so a password in the URI is not checked; it
// must still never be shown.
TEST_F(PostgresInitTest, TavixAdminInitTakesAUriAndNeverShowsItsPassword) {
    std::string uri = database_.Uri();
    uri.insert(uri.find('@'), ":s3cr3t");
    const AdminResult created = RunAdmin({"init", uri});
    EXPECT_EQ(created.exit_status, 0) << created.err;
    EXPECT_NE(created.out.find("Created an empty readings store: postgresql://postgres:***@/"),
              std::string::npos)
        << created.out;
    EXPECT_EQ(ValueIn(administrator_, "SELECT to_regclass('readings') IS NOT NULL"), "t");

    const AdminResult again = RunAdmin({"init", uri});
    EXPECT_EQ(again.exit_status, 1) << again.err;
    EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
    // What was forwarded into an earlier table would make forwarding skip its readings.
    administrator_.Execute("DROP TABLE readings", "drop the table");
    const AdminResult forwarded = RunAdmin({"init", uri});
    EXPECT_NE(forwarded.err.find("a table tavix_forwarding exists already"), std::string::npos);
    for (const AdminResult& run : {created, again}) {
        EXPECT_EQ((run.out + run.err).find("s3cr3t"), std::string::npos) << run.out << run.err;
    }
}

}  // namespace
}  // namespace tavix::store
