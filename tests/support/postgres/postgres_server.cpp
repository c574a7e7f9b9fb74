#include "support/postgres/postgres_server.hpp"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "support/postgres/server_certificates.hpp"
#include "support/postgres/server_supervisor.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::testing {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The supervisor's own limits for starting (initdb, then the server) and for stopping, with
// room to spare.
constexpr auto kReadyLimit = 300s;
constexpr auto kFinishedLimit = 60s;

// The supervisor's ends of the pipes, at fixed numbers once everything else is closed.
constexpr int kSupervisorControlFd = 3;
constexpr int kSupervisorReportFd = 4;

bool RunsAsRoot() {
    return ::geteuid() == 0;
}

std::string MakeFolder() {
    const std::string pattern =
        (std::filesystem::temp_directory_path() / "tavix-pg-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    const std::string folder = name.data();
    if (RunsAsRoot() && ::chown(folder.c_str(), kUnprivilegedUser, kUnprivilegedUser) != 0) {
        const int error = errno;
        std::filesystem::remove(folder);
        throw std::system_error(error, std::generic_category(), "chown " + folder);
    }
    return folder;
}

// Reads from fd until a whole line, the pipe's end or the deadline; the line without its end.
std::string ReadLine(int fd, Clock::time_point deadline) {
    std::string line;
    char c = 0;
    while (Clock::now() < deadline) {
        pollfd watched{fd, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        const ssize_t count = ::read(fd, &c, 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0 || c == '\n') {
            return line;
        }
        line.push_back(c);
    }
    return line;
}

// In the supervisor, before it starts: its two pipe ends at fixed numbers, nothing else open
// (above all no other server's control pipe, which would keep that one alive), and nothing of
// the test's terminal or output.
void KeepOnlySupervisorPipes(int control_fd, int report_fd) {
    const int high_control = ::fcntl(control_fd, F_DUPFD_CLOEXEC, 100);
    const int high_report = ::fcntl(report_fd, F_DUPFD_CLOEXEC, 100);
    if (high_control < 0 || high_report < 0 ||
        ::dup3(high_control, kSupervisorControlFd, O_CLOEXEC) < 0 ||
        ::dup3(high_report, kSupervisorReportFd, O_CLOEXEC) < 0) {
        ::_exit(1);
    }
    ::close_range(kSupervisorReportFd + 1, ~0U, 0);
    const int null_fd = ::open("/dev/null", O_RDWR);
    for (const int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        ::dup2(null_fd, standard);
    }
    if (null_fd > kSupervisorReportFd) {
        ::close(null_fd);
    }
}

}  // namespace

PostgresServer::PostgresServer(ServerSettings settings) {
    const ServerBinaries binaries = FindServerBinaries();
    folder_ = MakeFolder();
    try {
        if (settings.tls) {
            settings.port = FreeLoopbackPort();
            MakeServerCertificates(folder_, RunsAsRoot() ? kUnprivilegedUser : ::geteuid());
        }
        port_ = settings.port;
        StartSupervisor(binaries, settings);
        AwaitReady();
    } catch (...) {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw;
    }
}

PostgresServer::~PostgresServer() {
    Stop();
}

void PostgresServer::StartSupervisor(const ServerBinaries& binaries,
                                     const ServerSettings& settings) {
    int control[2];
    int report[2];
    if (::pipe2(control, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    if (::pipe2(report, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(control[0]);
        ::close(control[1]);
        throw std::system_error(error, std::generic_category(), "pipe");
    }
    const SupervisorPlan plan{binaries, folder_, RunsAsRoot(), settings};
    std::fflush(nullptr);  // or the child could write the test's buffered output again
    const pid_t middle = ::fork();
    if (middle == 0) {
        // Twice forked and in a session of its own, the supervisor is nobody's child in the
        // test's process tree and in no process group a terminal signals.
        ::setsid();
        if (::fork() != 0) {
            ::_exit(0);
        }
        KeepOnlySupervisorPipes(control[0], report[1]);
        Supervise(plan, kSupervisorControlFd, kSupervisorReportFd);
    }
    ::close(control[0]);
    ::close(report[1]);
    control_fd_ = control[1];
    report_fd_ = report[0];
    if (middle < 0) {
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    int ignored = 0;
    while (::waitpid(middle, &ignored, 0) < 0 && errno == EINTR) {
    }
}

void PostgresServer::AwaitReady() {
    const std::string line = ReadLine(report_fd_, Clock::now() + kReadyLimit);
    if (line.size() > 2 && line[0] == kReady) {
        server_pid_ = static_cast<pid_t>(std::stol(line.substr(2)));
        return;
    }
    const std::string reason = line.size() > 2 && line[0] == kFailed
                                   ? line.substr(2)
                                   : "the server's supervisor ended without a word";
    throw std::runtime_error("cannot start a PostgreSQL server in " + folder_ + ": " + reason);
}

void PostgresServer::ShutDown() {
    StopBy(kStopServer);
}

void PostgresServer::StopImmediately() {
    StopBy(kStopServerImmediately);
}

void PostgresServer::StopBy(char command) {
    Command(command);
    const std::string line = ReadLine(report_fd_, Clock::now() + kFinishedLimit);
    if (line.empty() || line[0] != kDown) {
        throw std::runtime_error("the PostgreSQL server in " + folder_ +
                                 " did not shut down: " + line);
    }
    server_pid_ = 0;
}

void PostgresServer::StartAgain() {
    Command(kStartServer);
    AwaitReady();
}

void PostgresServer::Command(char command) {
    if (control_fd_ < 0 || ::write(control_fd_, &command, 1) != 1) {
        throw std::runtime_error("the PostgreSQL server's supervisor in " + folder_ +
                                 " takes no command");
    }
}

void PostgresServer::Stop() noexcept {
    if (control_fd_ < 0) {
        return;
    }
    ::close(control_fd_);
    control_fd_ = -1;
    // The supervisor holds the only other end of the report pipe: it closes when it is done.
    const auto deadline = Clock::now() + kFinishedLimit;
    while (Clock::now() < deadline) {
        pollfd watched{report_fd_, POLLIN, 0};
        if (::poll(&watched, 1, 100) <= 0) {
            continue;
        }
        char discarded[64];
        const ssize_t count = ::read(report_fd_, discarded, sizeof discarded);
        if (count == 0 || (count < 0 && errno != EINTR)) {
            break;
        }
    }
    ::close(report_fd_);
    report_fd_ = -1;
}

std::string PostgresServer::ConnInfo(std::string_view database) const {
    return "host=" + folder_ + " port=" + std::to_string(port_) + " user=" + kServerSuperuser +
           " dbname=" + std::string(database);
}

std::string PostgresServer::Uri(std::string_view database) const {
    // The socket folder goes in the query: a host part cannot hold a path.
    return "postgresql://" + std::string(kServerSuperuser) + "@/" + std::string(database) +
           "?host=" + folder_ + "&port=" + std::to_string(port_);
}

std::string PostgresServer::SocketPath() const {
    return folder_ + "/.s.PGSQL." + std::to_string(port_);
}

}  // namespace tavix::testing
