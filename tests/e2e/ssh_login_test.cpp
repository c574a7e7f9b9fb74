// Logins through a real SSH server, as handheld terminals make them. A connection that drops
// ends the server's program at once and loses no confirmed reading; run through tavix-session
// the program outlives the connection, and the next login finds it as it was.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "running_program.hpp"
#include "support/postgres/process_census.hpp"
#include "support/ssh_server.hpp"

namespace tavix::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kEntryQuantityRow = 10;
constexpr int kBrowserQuantityRow = 6;

bool EndsWithin(pid_t process, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ProcessExists(process)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool RowReads(RunningProgram& login, int row, const std::string& text) {
    return login.Session().WaitFor(
        [&](const std::vector<std::string>& lines) { return FrameRow(lines, row) == text; });
}

// Kills the client, as a link that is gone: the server learns it from the closed connection.
bool DropConnection(RunningProgram& login) {
    const pid_t client = login.ProgramPid();
    return client > 0 && ::kill(client, SIGKILL) == 0;  // never -1: that is every process
}

enum class Moment { kTypingACode, kTypingAQuantity, kEditingInTheArchive };

std::string MomentName(Moment moment) {
    switch (moment) {
        case Moment::kTypingACode:
            return "TypingACode";
        case Moment::kTypingAQuantity:
            return "TypingAQuantity";
        case Moment::kEditingInTheArchive:
            return "EditingInTheArchive";
    }
    return "";
}

void PrintTo(Moment moment, std::ostream* out) {
    *out << MomentName(moment);
}

// Types part of a reading, or of a change in the archive, until the screen shows it.
bool TypeHalfway(RunningProgram& login, Moment moment) {
    switch (moment) {
        case Moment::kTypingACode:
            login.Session().SendText("HALF");
            return login.WaitForCodeField("HALF");
        case Moment::kTypingAQuantity:
            login.Session().SendText("HALF\r9");
            return RowReads(login, kEntryQuantityRow, "9");
        case Moment::kEditingInTheArchive:
            login.Session().SendKey("F3");
            if (!login.Session().WaitForText("scorre")) {
                return false;
            }
            login.Session().SendText("q");
            login.Session().SendText("55");
            return RowReads(login, kBrowserQuantityRow, "55");
    }
    return false;
}

// A site: the store every session uses, named by the settings file the server gives each
// session; not the file beside the program, which stays empty.
class SshLoginTest : public ::testing::Test {
  protected:
    SshLoginTest() {
        std::filesystem::copy_file(program_.DatabasePath(), Store());
        std::ofstream(program_.File("tavix.conf")) << "database = " << Store() << "\n";
    }

    std::string Store() const { return program_.File("site.mdb"); }
    std::vector<std::string> SessionEnvironment() const {
        return {"TAVIX_CONFIG=" + program_.File("tavix.conf"), "LANG=C.UTF-8"};
    }
    // Logs in, stores code/7 as terminal `terminal` and waits for the next code.
    static void StoreFirstReading(const SshServer& server, RunningProgram& login,
                                  const std::string& terminal, const std::string& code) {
        ASSERT_TRUE(login.OpenEntryScreen(terminal)) << login.Screen() << server.Log();
        ASSERT_TRUE(login.EnterCode(code)) << login.Screen();
        login.SendQuantity("7");
        ASSERT_TRUE(login.WaitForEmptyCodeField()) << login.Screen();
    }
    void ExpectReadings(const std::vector<std::string>& codes_and_quantities) const {
        std::vector<std::string> stored;
        for (const StoredReading& reading : StoredReadings(Store())) {
            stored.push_back(reading.code + "/" + reading.qt + "@" + reading.terminal);
        }
        EXPECT_EQ(stored, codes_and_quantities);
        EXPECT_TRUE(StoredReadings(program_.DatabasePath()).empty());
    }

    ProgramFolder program_;
};

class SshDropTest : public SshLoginTest, public ::testing::WithParamInterface<Moment> {};

TEST_P(SshDropTest, TheProgramEndsAtOnceAndTheNextLoginStores) {
    const SshServer server(program_.ExecutablePath(), SessionEnvironment());
    {
        RunningProgram login(server.ClientCommand());
        StoreFirstReading(server, login, "4", "FIRST");
        ASSERT_TRUE(TypeHalfway(login, GetParam())) << login.Screen();
        const std::vector<pid_t> programs = server.SessionProcesses(program_.ExecutablePath());
        ASSERT_EQ(programs.size(), 1u);
        ASSERT_TRUE(std::filesystem::exists(Store() + "-wal"));  // else its end proves nothing
        ASSERT_TRUE(DropConnection(login));
        EXPECT_TRUE(EndsWithin(programs[0], 2s));
    }
    for (const char* left : {"-wal", "-shm", "-journal"}) {
        EXPECT_FALSE(std::filesystem::exists(Store() + left)) << left;
    }
    ExpectReadings({"FIRST/7.0@4"});

    RunningProgram again(server.ClientCommand());
    StoreFirstReading(server, again, "5", "NEXT");
    EXPECT_EQ(again.Screen().find("non salvata"), std::string::npos) << again.Screen();
    ExpectReadings({"FIRST/7.0@4", "NEXT/7.0@5"});
}

INSTANTIATE_TEST_SUITE_P(Moments, SshDropTest,
                         ::testing::Values(Moment::kTypingACode, Moment::kTypingAQuantity,
                                           Moment::kEditingInTheArchive),
                         [](const auto& info) { return MomentName(info.param); });

TEST_F(SshLoginTest, TavixSessionKeepsTheProgramAcrossADroppedConnection) {
    const std::string wrapper = program_.File("tavix-session");
    std::filesystem::copy_file(TAVIX_SESSION_SCRIPT, wrapper);
    std::vector<std::string> environment = SessionEnvironment();
    environment.push_back("TMUX_TMPDIR=" + program_.Path());  // away from any real session
    const SshServer server(wrapper, environment);
    std::vector<std::string> screen;
    std::vector<pid_t> programs;
    {
        RunningProgram login(server.ClientCommand());
        StoreFirstReading(server, login, "6", "KEEP");
        ASSERT_TRUE(TypeHalfway(login, Moment::kEditingInTheArchive)) << login.Screen();
        screen = login.Session().Lines();
        programs = server.SessionProcesses(program_.ExecutablePath());
        ASSERT_EQ(programs.size(), 1u);
        ASSERT_TRUE(DropConnection(login));
        ASSERT_TRUE(login.Session().WaitForText("rc=")) << login.Screen();
    }
    EXPECT_TRUE(ProcessExists(programs[0]));

    RunningProgram again(server.ClientCommand());
    ASSERT_TRUE(again.Session().WaitFor([&](const std::vector<std::string>& lines) {
        return lines == screen;
    })) << again.Screen();
    again.Session().SendKey("Enter");
    ASSERT_TRUE(again.Session().WaitFor([&](const std::vector<std::string>&) {
        const std::vector<StoredReading> readings = StoredReadings(Store());
        return !readings.empty() && readings[0].qt == "55.0";
    })) << again.Screen();
    ExpectReadings({"KEEP/55.0@6"});
    EXPECT_EQ(server.SessionProcesses(program_.ExecutablePath()), programs);

    // Leaving the program ends its tmux session, the tmux server and the login with it.
    const std::vector<pid_t> tmux = server.SessionProcesses("/usr/bin/tmux");
    ASSERT_FALSE(tmux.empty());
    ASSERT_TRUE(again.Leave()) << again.Screen();
    EXPECT_TRUE(again.Session().WaitForText("rc=0")) << again.Screen();
    for (const pid_t process : tmux) {
        EXPECT_TRUE(EndsWithin(process, 5s));
    }
}

}  // namespace
}  // namespace tavix::testing
