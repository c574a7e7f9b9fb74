#include "admin_store_test.hpp"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavix::testing {

AdminStoreTest::AdminStoreTest() : path_(dir_.File("tavix.mdb")) {
    const AdminResult init = RunAdmin({"init", path_});
    EXPECT_EQ(init.exit_status, 0) << init.err;
}

void AdminStoreTest::Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(result, SQLITE_OK) << sql << ": " << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

void AdminStoreTest::AddReadings(int n) {
    Sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(n) +
        ") INSERT INTO Readings (code, qt, terminal, DateTime) "
        "SELECT 'C' || i, i, '1', '2024-05-01 10:00:00' FROM n");
}

std::int64_t AdminStoreTest::Count(const std::string& sql) {
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

std::string AdminStoreTest::Export(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "export");
    arguments.push_back(path_);
    const AdminResult result = RunAdmin(arguments);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return result.out;
}

std::string FileContent(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tavix::testing
