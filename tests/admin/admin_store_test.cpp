#include "admin_store_test.hpp"

#include <filesystem>

#include "support/sqlite_file.hpp"

namespace tavix::testing {

AdminStoreTest::AdminStoreTest() : path_(dir_.File("tavix.mdb")) {
    const AdminResult init = RunAdmin({"init", path_});
    EXPECT_EQ(init.exit_status, 0) << init.err;
}

void AdminStoreTest::Sql(const std::string& sql) {
    SqliteFile(path_).Run(sql);
}

void AdminStoreTest::AddReadings(int n) {
    Sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(n) +
        ") INSERT INTO Readings (code, qt, terminal, DateTime) "
        "SELECT 'C' || i, i, '1', '2024-05-01 10:00:00' FROM n");
}

std::int64_t AdminStoreTest::Count(const std::string& sql) {
    return SqliteFile(path_).Number(sql);
}

std::string AdminStoreTest::Export(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "export");
    arguments.push_back(path_);
    const AdminResult result = RunAdmin(arguments);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return result.out;
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
