#include <sqlite3.h>

#include <chrono>

#include "store/database.hpp"
#include "store/recordset.hpp"
#include "support/admin_process.hpp"
#include "test_store.hpp"

namespace tavix::testing {

namespace {

class SqliteTestStore final : public TestStore {
  public:
    explicit SqliteTestStore(const TempDir& dir) : path_(dir.File("tavix.mdb")) {
        const AdminResult init = RunAdmin({"init", path_});
        EXPECT_EQ(init.exit_status, 0) << init.err;
    }

    StoreKind Kind() const override { return StoreKind::kSqlite; }
    const std::string& Target() const override { return path_; }
    std::string Name() const override { return path_; }
    std::string Secret() const override { return {}; }

    void Sql(const std::string& sql) override {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        EXPECT_EQ(result, SQLITE_OK) << sql << ": " << (error != nullptr ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    std::int64_t Count(const std::string& sql) override {
        sqlite3* db = nullptr;
        sqlite3_open(path_.c_str(), &db);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        const std::int64_t count =
            sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return count;
    }

    void AddReadings(int n) override {
        Sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(n) +
            ") INSERT INTO Readings (code, qt, terminal, DateTime) "
            "SELECT 'C' || i, i, '1', '2024-05-01 10:00:00' FROM n");
    }

    // Through the program's own store code, with no patience at all for locks (a zero busy
    // timeout).
    void StoreReadingsWithoutWaiting(int count, const std::string& code_prefix) override {
        store::Database database = store::OpenDatabase(path_, std::chrono::milliseconds(0));
        store::Recordset readings = database.OpenRecordset("Readings");
        for (int i = 0; i < count; ++i) {
            readings.AddNew();
            readings.SetField("code", store::Value(code_prefix + std::to_string(i)));
            readings.SetField("qt", store::Value(1.0));
            readings.SetField("terminal", store::Value("9"));
            readings.SetField("DateTime", store::Value(store::Timestamp::Now()));
            readings.Update();
        }
    }

  private:
    std::string path_;
};

}  // namespace

std::unique_ptr<TestStore> MakeSqliteTestStore(const TempDir& dir) {
    return std::make_unique<SqliteTestStore>(dir);
}

std::string KindName(const ::testing::TestParamInfo<StoreKind>& info) {
    return info.param == StoreKind::kSqlite ? "sqlite" : "postgres";
}

void PrintTo(StoreKind kind, std::ostream* out) {
    *out << (kind == StoreKind::kSqlite ? "SQLite file" : "PostgreSQL");
}

}  // namespace tavix::testing
