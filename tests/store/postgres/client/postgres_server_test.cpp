#include "support/postgres/postgres_server.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "postgres_database.hpp"
#include "support/postgres/process_census.hpp"
#include "support/postgres/server_binaries.hpp"
#include "support/temp_dir.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::testing {
namespace {

using namespace std::chrono_literals;
using store::postgres::Connection;

constexpr auto kCleanUpLimit = 30s;

// Waits (bounded) until nothing of the server in folder is left: no process working in it, the
// postmaster gone, the folder removed.
bool NothingLeftOf(const std::string& folder, pid_t postmaster) {
    const auto deadline = std::chrono::steady_clock::now() + kCleanUpLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ProcessesWorkingIn(folder).empty() && !ProcessExists(postmaster) &&
            !std::filesystem::exists(folder)) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

uid_t OwnerOf(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Uid:")) {
            return static_cast<uid_t>(std::stoul(line.substr(4)));
        }
    }
    return static_cast<uid_t>(-1);
}

// The shared server takes TLS on 127.0.0.1 besides its socket.
TEST(PostgresServer, ListensOnItsOwnSocketAndOnLoopbackWithTlsAndNotAsRoot) {
    PostgresServer& server = SharedPostgresServer();
    Connection connection(server.ConnInfo("postgres"));
    EXPECT_EQ(connection.Execute("SHOW listen_addresses", "read").Text(0, 0), "127.0.0.1");
    EXPECT_EQ(connection.Execute("SHOW ssl", "read").Text(0, 0), "on");
    EXPECT_EQ(connection.Execute("SHOW unix_socket_directories", "read").Text(0, 0),
              server.Folder());
    EXPECT_TRUE(std::filesystem::exists(server.SocketPath()));
    const uid_t owner = OwnerOf(server.ServerProcessId());
    EXPECT_EQ(owner, ::geteuid() == 0 ? kUnprivilegedUser : ::geteuid());
}

TEST(PostgresServer, LeavesNothingBehindOnceStopped) {
    PostgresServer server;
    const std::string folder = server.Folder();
    const pid_t postmaster = server.ServerProcessId();
    {
        Connection connection(server.ConnInfo("postgres"));  // a backend of its own
        EXPECT_GE(ProcessesWorkingIn(folder).size(), 2u);
        server.Stop();
        EXPECT_FALSE(std::filesystem::exists(folder));
    }
    EXPECT_TRUE(NothingLeftOf(folder, postmaster));
}

TEST(PostgresServer, IsCleanedUpWhenItsTestProcessIsKilled) {
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    std::fflush(nullptr);
    const pid_t test_process = ::fork();
    ASSERT_GE(test_process, 0);
    if (test_process == 0) {
        // The child never returns into the test program: it reports and waits to be killed.
        ::close(pipe_fds[0]);
        std::string report = "\n";
        try {
            PostgresServer server;
            report =
                "ready " + std::to_string(server.ServerProcessId()) + " " + server.Folder() + "\n";
            if (::write(pipe_fds[1], report.data(), report.size()) > 0) {
                ::pause();  // until killed: no destructor runs
            }
        } catch (const std::exception& error) {
            report = std::string(error.what()) + "\n";
            [[maybe_unused]] const ssize_t ignored =
                ::write(pipe_fds[1], report.data(), report.size());
        }
        ::_exit(1);
    }
    ::close(pipe_fds[1]);
    std::string report;
    char c = 0;
    while (::read(pipe_fds[0], &c, 1) == 1 && c != '\n') {
        report.push_back(c);
    }
    ::close(pipe_fds[0]);
    std::string folder;
    pid_t postmaster = 0;
    if (report.starts_with("ready ")) {
        std::size_t folder_start = 0;
        postmaster = static_cast<pid_t>(std::stol(report.substr(6), &folder_start));
        folder = report.substr(6 + folder_start + 1);
    }
    const bool server_was_running = postmaster > 0 && ProcessExists(postmaster);

    ::kill(test_process, SIGKILL);
    int status = 0;
    ::waitpid(test_process, &status, 0);
    ASSERT_FALSE(folder.empty()) << "the child could not start a server: " << report;
    EXPECT_TRUE(server_was_running);
    EXPECT_TRUE(NothingLeftOf(folder, postmaster)) << folder;
}

TEST(ServerBinaries, MissingOnesFailNamingTheDebianPackage) {
    TempDir empty;
    try {
        FindServerBinaries(empty.Path(), empty.Path());
        ADD_FAILURE() << "found server programs in an empty folder";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("Debian package postgresql"), std::string::npos)
            << error.what();
    }
}

TEST(ServerBinaries, PrefersTheNewestVersionFolderThatHasBoth) {
    TempDir versions;
    for (const char* version : {"9.6", "15", "16"}) {
        std::filesystem::create_directories(versions.File(version) + "/bin");
    }
    for (const char* version : {"9.6", "15"}) {
        for (const char* program : {"initdb", "postgres"}) {
            const std::string path = versions.File(version) + "/bin/" + program;
            std::ofstream(path) << "#!/bin/sh\n";
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        }
    }
    const ServerBinaries found = FindServerBinaries(versions.Path(), "");
    EXPECT_EQ(found.initdb, versions.File("15") + "/bin/initdb");  // 16 has neither
    EXPECT_EQ(found.postgres, versions.File("15") + "/bin/postgres");
}

}  // namespace
}  // namespace tavix::testing
