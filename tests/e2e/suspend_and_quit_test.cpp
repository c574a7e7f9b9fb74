// Stopping the program from outside (SIGTSTP) gives the terminal back to the shell while it
// is stopped and draws the whole screen again when it goes on; SIGQUIT ends it as SIGTERM
// does. The real program in tmux, under a shell with job control.

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "running_program.hpp"

namespace tavix::testing {
namespace {

// What the shell reports once the program stops or ends: its status, whether the terminal
// modes are as before, whether the terminal reads lines again, and whether the WAL is gone
// (SQLite removes it when the last connection closes).
const std::string kReport =
    "echo rc=$?; "
    "if [ \"$(stty -g)\" = \"$before\" ]; then echo modes kept; else echo modes changed; fi; "
    "stty -a | grep -o -- '-*icanon'; "
    "if [ -e tavix.mdb-wal ]; then echo wal left; else echo wal gone; fi; "
    "echo report done; read line";

TEST(SuspendTest, TheShellGetsTheTerminalAndTheWholeScreenComesBack) {
    const ProgramFolder program;
    // `set -m`: job control, so the stopped program can be brought back with fg.
    RunningProgram running(program, "set -m; before=$(stty -g);",
                           kReport + "; fg; echo rc=$?; read line");
    TmuxSession& session = running.Session();
    ASSERT_TRUE(running.OpenEntryScreen("1")) << running.Screen();
    session.SendText("AB");
    ASSERT_TRUE(running.WaitForCodeField("AB")) << running.Screen();
    const std::vector<std::string> lines = session.Lines();
    const std::string with_colours = session.ScreenWithColours();
    const pid_t program_pid = running.ProgramPid();
    ASSERT_GT(program_pid, 0);

    ASSERT_EQ(::kill(program_pid, SIGTSTP), 0);
    ASSERT_TRUE(session.WaitForText("report done")) << running.Screen();
    const std::string stopped = running.Screen();
    EXPECT_NE(stopped.find("rc=" + std::to_string(128 + SIGTSTP)), std::string::npos) << stopped;
    EXPECT_NE(stopped.find("modes kept"), std::string::npos) << stopped;
    EXPECT_EQ(stopped.find("-icanon"), std::string::npos) << stopped;
    EXPECT_EQ(session.Format("#{alternate_on}"), "0");
    EXPECT_EQ(session.Format("#{cursor_flag}"), "1");

    // fg: every row and every colour as before the stop, and the keys go on where they were.
    session.SendKey("Enter");
    EXPECT_TRUE(session.WaitFor([&](const std::vector<std::string>& now) { return now == lines; }))
        << running.Screen();
    EXPECT_EQ(session.ScreenWithColours(), with_colours);
    EXPECT_EQ(session.Format("#{alternate_on}"), "1");
    session.SendText("C");
    ASSERT_TRUE(running.WaitForCodeField("ABC")) << running.Screen();
    session.SendKey("Enter");
    running.SendQuantity("2");
    ASSERT_TRUE(running.WaitForEmptyCodeField()) << running.Screen();
    ASSERT_TRUE(running.Leave()) << running.Screen();
    ASSERT_TRUE(session.WaitForText("rc=0")) << running.Screen();

    const FileState file = ReadDatabase(program.DatabasePath());
    ASSERT_TRUE(file.opened);
    ASSERT_EQ(file.readings.size(), 1u);
    EXPECT_EQ(file.readings[0].code, "ABC");
    EXPECT_EQ(file.readings[0].Quantity(), 2);
}

TEST(QuitSignalTest, EndsLikeTerminationAndKeepsTheReading) {
    const ProgramFolder program;
    RunningProgram running(program, "before=$(stty -g);", kReport);
    TmuxSession& session = running.Session();
    ASSERT_TRUE(running.OpenEntryScreen("4")) << running.Screen();
    ASSERT_TRUE(running.EnterCode("Q1")) << running.Screen();
    running.SendQuantity("3");
    ASSERT_TRUE(running.WaitForEmptyCodeField()) << running.Screen();
    const pid_t program_pid = running.ProgramPid();
    ASSERT_GT(program_pid, 0);

    ASSERT_EQ(::kill(program_pid, SIGQUIT), 0);
    ASSERT_TRUE(session.WaitForText("report done")) << running.Screen();
    const std::string screen = running.Screen();
    EXPECT_NE(screen.find("rc=" + std::to_string(128 + SIGQUIT)), std::string::npos) << screen;
    EXPECT_NE(screen.find("modes kept"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("-icanon"), std::string::npos) << screen;
    EXPECT_NE(screen.find("wal gone"), std::string::npos) << screen;
    EXPECT_EQ(session.Format("#{alternate_on}"), "0");
    EXPECT_EQ(session.Format("#{cursor_flag}"), "1");

    const FileState file = ReadDatabase(program.DatabasePath());
    ASSERT_TRUE(file.opened);
    ASSERT_EQ(file.readings.size(), 1u);
    EXPECT_EQ(file.readings[0].code, "Q1");
    EXPECT_EQ(file.readings[0].terminal, "4");
}

}  // namespace
}  // namespace tavix::testing
