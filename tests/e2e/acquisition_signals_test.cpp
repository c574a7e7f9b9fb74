// SIGTERM, SIGHUP and SIGINT during acquisition end the program as a normal exit would: the
// terminal as it was, the database closed, every confirmed reading stored, and 128 + the
// signal as the exit status.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "running_program.hpp"

namespace tavix::testing {
namespace {

enum class When { kTypingACode, kAfterAConfirmedReading };

struct SignalCase {
    std::string label;
    int signal;
    When when;
};

void PrintTo(const SignalCase& signal_case, std::ostream* out) {
    *out << signal_case.label;
}

std::vector<SignalCase> AllCases() {
    std::vector<SignalCase> cases;
    for (const auto& [name, signal] :
         {std::pair{"Term", SIGTERM}, std::pair{"Hup", SIGHUP}, std::pair{"Int", SIGINT}}) {
        cases.push_back({std::string(name) + "WhileTypingACode", signal, When::kTypingACode});
        cases.push_back(
            {std::string(name) + "AfterAConfirmedReading", signal, When::kAfterAConfirmedReading});
    }
    return cases;
}

// The shell leaves a line on its screen, then reports what the program left behind: its exit
// status, whether the terminal modes are as before, whether the WAL is still there (SQLite
// removes it when the last connection closes). It stays, reading a line, so the pane can
// still be looked at.
const std::string kBefore = "echo shell screen; before=$(stty -g);";
const std::string kAfter =
    "echo rc=$?; "
    "if [ \"$(stty -g)\" = \"$before\" ]; then echo modes kept; else echo modes changed; fi; "
    "if [ -e tavix.mdb-wal ]; then echo wal left; else echo wal gone; fi; "
    "echo report done; read line";

class AcquisitionSignalTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(AcquisitionSignalTest, EndsLikeANormalExitAndKeepsEveryConfirmedReading) {
    const ProgramFolder program;
    RunningProgram running(program, kBefore, kAfter);
    ASSERT_TRUE(running.OpenEntryScreen("4")) << running.Screen();
    ASSERT_TRUE(running.EnterCode("FIRST")) << running.Screen();
    running.SendQuantity("7");
    ASSERT_TRUE(running.WaitForEmptyCodeField()) << running.Screen();
    if (GetParam().when == When::kTypingACode) {
        running.Session().SendText("HALF");
        ASSERT_TRUE(running.WaitForCodeField("HALF")) << running.Screen();
    }
    // Else "wal gone" below would prove nothing.
    ASSERT_TRUE(std::filesystem::exists(program.DatabasePath() + "-wal"));
    const pid_t pid = running.ProgramPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, GetParam().signal), 0);

    ASSERT_TRUE(running.Session().WaitForText("report done")) << running.Screen();
    const std::vector<std::string> lines = running.Session().Lines();
    const std::string screen = running.Screen();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "shell screen") << screen;
    EXPECT_EQ(screen.find("Digita"), std::string::npos) << screen;
    EXPECT_NE(screen.find("rc=" + std::to_string(128 + GetParam().signal)), std::string::npos)
        << screen;
    EXPECT_NE(screen.find("modes kept"), std::string::npos) << screen;
    EXPECT_NE(screen.find("wal gone"), std::string::npos) << screen;
    EXPECT_EQ(running.Session().Format("#{alternate_on}"), "0");
    EXPECT_EQ(running.Session().Format("#{cursor_flag}"), "1");

    const FileState file = ReadDatabase(program.DatabasePath());
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.integrity, "ok");
    ASSERT_EQ(file.readings.size(), 1u);
    EXPECT_EQ(file.readings[0].code, "FIRST");
    EXPECT_EQ(file.readings[0].Quantity(), 7);
    EXPECT_EQ(file.readings[0].terminal, "4");
}

INSTANTIATE_TEST_SUITE_P(Signals, AcquisitionSignalTest, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) { return info.param.label; });

// Whether the process has ended: gone, or a zombie nobody has reaped yet.
bool Ended(pid_t pid) {
    std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(stat_file, stat)) {
        return true;
    }
    const std::size_t name_end = stat.rfind(')');
    return name_end != std::string::npos && stat.compare(name_end, 3, ") Z") == 0;
}

bool WaitForEnd(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Ended(pid)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The terminal going away, as when the operator's connection drops, brings SIGHUP, often
// more than once (the terminal's hang-up, then its session leader's end): the program still
// closes the database before it ends. A signal that comes while the program is ending may not
// cut the end short, and whether one comes then is a matter of timing, hence the rounds.
TEST(AcquisitionHangUpTest, LosingTheTerminalClosesTheDatabaseAndKeepsTheReadings) {
    constexpr int kHangUps = 3;
    const ProgramFolder program;
    const std::string wal = program.DatabasePath() + "-wal";
    for (int round = 1; round <= kHangUps; ++round) {
        SCOPED_TRACE("hang-up " + std::to_string(round));
        pid_t pid = -1;
        {
            RunningProgram running(program);
            ASSERT_TRUE(running.OpenEntryScreen("5")) << running.Screen();
            ASSERT_TRUE(running.EnterCode("H" + std::to_string(round))) << running.Screen();
            running.SendQuantity(std::to_string(round));
            ASSERT_TRUE(running.WaitForEmptyCodeField()) << running.Screen();
            running.Session().SendText("HALF");
            ASSERT_TRUE(running.WaitForCodeField("HALF")) << running.Screen();
            ASSERT_TRUE(std::filesystem::exists(wal));
            pid = running.ProgramPid();
            ASSERT_GT(pid, 0);
        }  // the tmux server ends, and the terminal with it
        ASSERT_TRUE(WaitForEnd(pid));
        EXPECT_FALSE(std::filesystem::exists(wal));

        const FileState file = ReadDatabase(program.DatabasePath());
        ASSERT_TRUE(file.opened);
        EXPECT_EQ(file.integrity, "ok");
        ASSERT_EQ(file.readings.size(), static_cast<std::size_t>(round));
        EXPECT_EQ(file.readings.back().code, "H" + std::to_string(round));
    }
}

}  // namespace
}  // namespace tavix::testing
