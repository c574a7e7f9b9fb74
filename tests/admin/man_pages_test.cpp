// The manual pages: lint-clean for groff and mandoc, and covering every command and option
// tavix-admin's own help lists.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <set>

#include "admin_store_test.hpp"
#include "support/admin_process.hpp"

namespace tavix::testing {
namespace {

const std::string kManFolder = std::string(TAVIX_SOURCE_DIR) + "/docs/man/";

struct ToolRun {
    int exit_status;
    std::string output;  // standard output and error together
};

ToolRun RunTool(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, count);
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

class ManPageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ManPageTest, IsLintClean) {
    const std::string page = kManFolder + GetParam();
    ASSERT_FALSE(FileContent(page).empty()) << page;
    const ToolRun groff = RunTool("groff -ww -man -z '" + page + "'");
    EXPECT_EQ(groff.exit_status, 0);
    EXPECT_EQ(groff.output, "");
    const ToolRun mandoc = RunTool("mandoc -T lint -W all '" + page + "'");
    EXPECT_EQ(mandoc.exit_status, 0);
    EXPECT_EQ(mandoc.output, "");
}

INSTANTIATE_TEST_SUITE_P(Pages, ManPageTest, ::testing::Values("tavix.1", "tavix-admin.1"));

// The long options a help text lists.
std::set<std::string> LongOptions(const std::string& help) {
    std::set<std::string> options;
    const std::regex option("--[a-z][a-z-]*");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) {
        options.insert(it->str());
    }
    return options;
}

TEST(ManPageCoverageTest, TheAdminPageNamesEveryCommandAndOption) {
    // In roff a '-' in an option is written "\-".
    std::string page = FileContent(kManFolder + "tavix-admin.1");
    for (std::size_t at = page.find("\\-"); at != std::string::npos; at = page.find("\\-", at)) {
        page.erase(at, 1);
    }
    for (const char* command :
         {"init", "export", "check", "stats", "copy", "forward", "upgrade", "help"}) {
        EXPECT_NE(page.find(std::string(".B ") + command), std::string::npos) << command;
        for (const std::string& option : LongOptions(RunAdmin({"help", command}).out)) {
            EXPECT_NE(page.find(option), std::string::npos) << command << " " << option;
        }
    }
    EXPECT_NE(page.find("TAVIX_DATABASE"), std::string::npos);
}

}  // namespace
}  // namespace tavix::testing
