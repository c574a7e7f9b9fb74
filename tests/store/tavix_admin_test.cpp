#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "readings_file.hpp"
#include "store/readings_table.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

struct AdminRun {
    int exit_code;
    std::string output;  // stdout and stderr together
};

AdminRun RunAdmin(const std::string& arguments) {
    const std::string command = std::string(TAVIX_ADMIN_BINARY) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(TavixAdminTest, InitCreatesAnEmptyReadingsDatabaseOnce) {
    testing::TempDir dir;
    const std::string path = dir.File("tavix.mdb");
    EXPECT_EQ(RunAdmin("init '" + path + "'").exit_code, 0);
    Recordset readings = OpenDatabase(path).OpenRecordset(table::kTable);
    EXPECT_TRUE(readings.Eof());

    AddReading(readings, "A");
    const AdminRun again = RunAdmin("init '" + path + "'");
    EXPECT_EQ(again.exit_code, 1);
    EXPECT_NE(again.output.find(path), std::string::npos) << again.output;
    readings.MoveFirst();
    EXPECT_EQ(readings.Fields(table::kCode), Value("A"));
}

TEST(TavixAdminTest, BadArgumentsShowTheUsage) {
    for (const char* arguments : {"", "init", "create x.mdb", "init a b"}) {
        const AdminRun run = RunAdmin(arguments);
        EXPECT_NE(run.exit_code, 0) << arguments;
        EXPECT_NE(run.output.find("usage: tavix-admin init TARGET"), std::string::npos)
            << arguments;
    }
}

}  // namespace
}  // namespace tavix::store
