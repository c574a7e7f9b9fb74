// Without a terminal to draw on (TERM unusable or missing, standard input or output elsewhere)
// the program says why on standard error and ends at once with status 1, leaving the
// terminal's modes as they were; it never runs unseen or waits for keys that cannot come.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "running_program.hpp"

namespace tavix::testing {
namespace {

struct Environment {
    const char* label;
    // Runs the program and prints its exit status as "rc=N".
    const char* command;
    const char* reason;  // what the program says on standard error
};

void PrintTo(const Environment& environment, std::ostream* out) {
    *out << environment.label;
}

const std::vector<Environment> kEnvironments = {
    {"DumbTerminal", "TERM=dumb ./tavix; echo rc=$?",
     "tavix: cannot draw on this terminal (TERM=dumb): it cannot move its cursor"},
    {"UnknownTerminal", "TERM=no-such-terminal ./tavix; echo rc=$?",
     "tavix: unknown terminal type TERM=no-such-terminal"},
    {"NoTerm", "env -u TERM ./tavix; echo rc=$?", "tavix: TERM is not set"},
    {"OutputClosed", "./tavix >&-; echo rc=$?", "tavix: standard output is not a terminal"},
    {"OutputIntoAPipe", "{ ./tavix; echo rc=$? >&2; } | cat",
     "tavix: standard output is not a terminal"},
    {"InputFromNothing", "./tavix </dev/null; echo rc=$?",
     "tavix: standard input is not a terminal"},
};

class NoTerminalTest : public ::testing::TestWithParam<Environment> {};

TEST_P(NoTerminalTest, SaysWhyAndEndsLeavingTheTerminalAsItWas) {
    const ProgramFolder program;
    TmuxOptions wide;
    wide.columns = 200;                       // the reason on one line
    wide.timeout = std::chrono::seconds(20);  // a fail-safe on a busy machine, not a measure
    TmuxSession session("cd '" + program.Path() + "' && before=$(stty -g); " + GetParam().command +
                            "; if [ \"$(stty -g)\" = \"$before\" ]; then echo modes kept; "
                            "else echo modes changed; fi; echo report done; read line",
                        wide);
    ASSERT_TRUE(session.WaitForText("report done")) << session.Screen();
    const std::string screen = session.Screen();
    EXPECT_NE(screen.find(GetParam().reason), std::string::npos) << screen;
    EXPECT_NE(screen.find("rc=1\n"), std::string::npos) << screen;
    EXPECT_NE(screen.find("modes kept"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Sanitizer"), std::string::npos) << screen;
    EXPECT_EQ(session.Format("#{alternate_on}"), "0");
}

INSTANTIATE_TEST_SUITE_P(Environments, NoTerminalTest, ::testing::ValuesIn(kEnvironments),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace tavix::testing
