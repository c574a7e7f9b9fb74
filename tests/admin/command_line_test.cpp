// What tavix-admin answers to --help, help COMMAND, --version and to arguments it does not
// know: help and version on standard output with status 0, a short usage on standard error
// with status 2.

#include "admin_store_test.hpp"
#include "support/admin_process.hpp"

namespace tavix::testing {
namespace {

const char* const kCommands[] = {"init", "export",  "check",   "stats",
                                 "copy", "forward", "upgrade", "help"};

TEST(CommandLineTest, HelpListsEveryCommand) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
        const AdminResult result = RunAdmin(arguments);
        EXPECT_EQ(result.exit_status, 0) << arguments[0];
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out.rfind("Maintenance of the Tavix readings store", 0), 0u);
        for (const char* command : kCommands) {
            EXPECT_NE(result.out.find(std::string("\n  ") + command + " "), std::string::npos)
                << command;
        }
    }
}

TEST(CommandLineTest, HelpOfACommandShowsItsOptions) {
    const AdminResult help = RunAdmin({"help", "export"});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_NE(help.out.find("Usage: tavix-admin export [OPTIONS] [TARGET]"), std::string::npos)
        << help.out;
    for (const char* option :
         {"--format", "--totals", "--terminal", "--from", "--to", "--output"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(RunAdmin({"export", "--help"}).out, help.out);
    const AdminResult check = RunAdmin({"help", "check"});
    EXPECT_EQ(check.exit_status, 0);
    EXPECT_NE(check.out.find("Usage: tavix-admin check [OPTIONS] [TARGET]"), std::string::npos);
}

TEST(CommandLineTest, VersionIsTheProgramsVersion) {
    const AdminResult result = RunAdmin({"--version"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "tavix-admin 1.0\n");
    EXPECT_EQ(result.err, "");
}

TEST(CommandLineTest, WrongArgumentsGiveAShortUsageAndStatus2) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
        std::string usage;
    };
    const std::vector<Case> cases = {
        {{}, "no command given", "usage: tavix-admin init TARGET\n"},
        {{"create", "x.mdb"}, "'create' is not a command", "usage: tavix-admin init TARGET\n"},
        {{"--bogus"}, "unknown option --bogus", "       tavix-admin --help | --version\n"},
        {{"init"}, "TARGET is required", "usage: tavix-admin init TARGET\n"},
        {{"init", "a", "b"}, "unexpected argument 'b'", "usage: tavix-admin init TARGET\n"},
        {{"init", ""}, "TARGET: an empty value names no store", "usage: tavix-admin init TARGET\n"},
        {{"init", "--bogus"}, "unknown option --bogus", "usage: tavix-admin init TARGET\n"},
        {{"export", "--bogus"},
         "unknown option --bogus",
         "usage: tavix-admin export [OPTIONS] [TARGET]\n"},
        {{"export", "--format", "xml"},
         "--format: 'xml' is not one of csv, csv-it, jsonl",
         "usage: tavix-admin export [OPTIONS] [TARGET]\n"},
        {{"export", "--terminal"},
         "--terminal needs a T after it",
         "usage: tavix-admin export [OPTIONS] [TARGET]\n"},
        {{"export", "-o", "a", "-o", "b"},
         "--output may be given only once",
         "usage: tavix-admin export [OPTIONS] [TARGET]\n"},
        {{"stats", "a", "b"}, "unexpected argument 'b'", "usage: tavix-admin stats [TARGET]\n"},
        {{"stats", ""},
         "TARGET: an empty value names no store",
         "usage: tavix-admin stats [TARGET]\n"},
        {{"copy", "a"}, "TARGET is required", "usage: tavix-admin copy SOURCE TARGET\n"},
        {{"copy", "a", "b", "c"},
         "unexpected argument 'c'",
         "usage: tavix-admin copy SOURCE TARGET\n"},
        {{"forward"}, "FILE is required", "usage: tavix-admin forward FILE [URI] [--mark-sent]\n"},
        {{"forward", "postgres://db/t"},
         "FILE: a server forwards nothing",
         "usage: tavix-admin forward FILE [URI] [--mark-sent]\n"},
        {{"forward", "t.mdb", "t2.mdb"},
         "URI: 't2.mdb' is not a postgresql:// URI",
         "usage: tavix-admin forward FILE [URI] [--mark-sent]\n"},
        {{"upgrade", "t.mdb"},
         "URI: 't.mdb' is not a postgresql:// URI",
         "usage: tavix-admin upgrade URI\n"},
        {{"help", "nope"},
         "'nope' is not one of init, export",
         "usage: tavix-admin help [COMMAND]\n"},
    };
    for (const Case& c : cases) {
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments[0];
        const AdminResult result = RunAdmin(c.arguments);
        EXPECT_EQ(result.exit_status, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_EQ(result.err.rfind("tavix-admin: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.usage), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("Try 'tavix-admin --help'"), std::string::npos) << result.err;
    }
}

// Without URI the server is TAVIX_FORWARD's, else the settings' forward, else the store's when
// it is a server: none of them is a usage error.
TEST(CommandLineTest, ForwardWithoutAServerIsAUsageError) {
    AdminSetup none;
    none.environment = {
        {"TAVIX_FORWARD", ""}, {"TAVIX_DATABASE", ""}, {"TAVIX_CONFIG", "/dev/null"}};
    const AdminResult nothing = RunAdmin({"forward", "t.mdb"}, none);
    EXPECT_EQ(nothing.exit_status, 2);
    EXPECT_NE(nothing.err.find("no server named: give URI, set TAVIX_FORWARD, or set 'forward'"),
              std::string::npos);
}

TEST(CommandLineTest, APostgresqlServerThatIsNotThereIsAFailureWithoutThePassword) {
    // A socket folder where no server listens: libpq fails at once, with no network involved.
    const std::string target =
        "postgresql://user:secret@/tavix?host=/nonexistent-tavix-folder&sslpassword=secret";
    for (const char* command : {"stats", "check", "export"}) {
        const AdminResult result = RunAdmin({command, target});
        EXPECT_EQ(result.exit_status, 1) << command;
        EXPECT_EQ(result.out, "") << command;
        EXPECT_EQ(result.err.find("secret"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.rfind("tavix-admin: postgresql://user:***@/tavix?host="
                                   "/nonexistent-tavix-folder&sslpassword=***: cannot connect: "
                                   "the server cannot be reached",
                                   0),
                  0u)
            << result.err;
    }
    // A key=value text is read as a file's path, and repeated masked all the same.
    EXPECT_EQ(RunAdmin({"stats", "dbname=t sslpassword=secret"}).err.find("secret"),
              std::string::npos);
}

}  // namespace
}  // namespace tavix::testing
