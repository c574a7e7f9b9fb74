#include "support/postgres/throwaway_pooler.hpp"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "support/postgres/server_supervisor.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::testing {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kPoolerProgram = "/usr/sbin/pgbouncer";
constexpr int kPoolerPort = 6432;
// Server connections per database: fewer than the sessions of a test that stores from several
// at once, and still one to spare for a session that holds a transaction open.
constexpr int kPoolSize = 3;
constexpr auto kReadyLimit = 30s;
constexpr auto kStopLimit = 10s;

std::string LogTail(const std::string& path) {
    std::ifstream log(path);
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    constexpr std::size_t kTail = 1500;
    return text.size() > kTail ? "..." + text.substr(text.size() - kTail) : text;
}

bool Ended(pid_t child) {
    int status = 0;
    return ::waitpid(child, &status, WNOHANG) != 0;
}

// In the child: the rights PgBouncer accepts, an end that comes with the test's, the log as its
// output.
[[noreturn]] void ExecPooler(const std::string& settings, const std::string& log, pid_t test) {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedUser) != 0 ||
                             ::setuid(kUnprivilegedUser) != 0)) {
        ::_exit(126);
    }
    // Set after the change of user, which clears it; a test that ended meanwhile is caught by
    // the check of the parent.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != test) {
        ::_exit(126);
    }
    const int log_fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int null_fd = ::open("/dev/null", O_RDONLY);
    if (log_fd < 0 || null_fd < 0 || ::dup2(null_fd, STDIN_FILENO) < 0 ||
        ::dup2(log_fd, STDOUT_FILENO) < 0 || ::dup2(log_fd, STDERR_FILENO) < 0) {
        ::_exit(126);
    }
    ::close_range(STDERR_FILENO + 1, ~0U, 0);
    const char* const argv[] = {kPoolerProgram, settings.c_str(), nullptr};
    char locale[] = "LC_ALL=C";
    char* environment[] = {locale, nullptr};
    ::execve(kPoolerProgram, const_cast<char* const*>(argv), environment);
    ::_exit(127);
}

}  // namespace

ThrowAwayPooler::ThrowAwayPooler(const PostgresServer& server)
    : folder_(server.Folder() + "/pooler") {
    if (!std::filesystem::exists(kPoolerProgram)) {
        throw std::runtime_error(std::string(kPoolerProgram) +
                                 " is missing: install the Debian package pgbouncer");
    }
    std::filesystem::create_directory(folder_);
    if (::geteuid() == 0 && ::chown(folder_.c_str(), kUnprivilegedUser, kUnprivilegedUser) != 0) {
        throw std::runtime_error("cannot hand " + folder_ + " to the pooler's user");
    }
    WriteSettings(server);
    Start();
    try {
        AwaitReady();
    } catch (...) {
        Stop();
        throw;
    }
}

ThrowAwayPooler::~ThrowAwayPooler() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

// Any database of the server by the name the client asks for; every client the server's
// superuser, trusted as the server trusts its socket.
void ThrowAwayPooler::WriteSettings(const PostgresServer& server) const {
    std::ofstream(folder_ + "/users.txt") << '"' << kServerSuperuser << "\" \"\"\n";
    std::ofstream(folder_ + "/pgbouncer.ini")
        << "[databases]\n"
        << "* = host=" << server.Folder() << " port=" << server.Port() << "\n"
        << "[pgbouncer]\n"
        << "unix_socket_dir = " << folder_ << "\n"
        << "listen_port = " << kPoolerPort << "\n"
        << "auth_type = trust\n"
        << "auth_file = " << folder_ << "/users.txt\n"
        << "admin_users = " << kServerSuperuser << "\n"
        << "pool_mode = transaction\n"
        << "default_pool_size = " << kPoolSize << "\n"
        << "max_client_conn = 500\n"
        // After a failed login PgBouncer turns every client away for this long: a restarted
        // server is to serve the next statement, as it does without a pooler.
        << "server_login_retry = 0.1\n";
}

void ThrowAwayPooler::Start() {
    const pid_t test = ::getpid();
    const std::string settings = folder_ + "/pgbouncer.ini";
    const std::string log = folder_ + "/pgbouncer.log";
    pooler_ = ::fork();
    if (pooler_ == 0) {
        ExecPooler(settings, log, test);
    }
    if (pooler_ < 0) {
        throw std::runtime_error("cannot start " + std::string(kPoolerProgram));
    }
}

void ThrowAwayPooler::AwaitReady() {
    const std::string probe = ConnInfo("postgres") + " connect_timeout=2";
    const auto deadline = Clock::now() + kReadyLimit;
    while (PQping(probe.c_str()) != PQPING_OK) {
        if (Ended(pooler_)) {
            pooler_ = -1;
            throw std::runtime_error("PgBouncer ended while starting: " +
                                     LogTail(folder_ + "/pgbouncer.log"));
        }
        if (Clock::now() >= deadline) {
            throw std::runtime_error("PgBouncer did not accept connections in time: " +
                                     LogTail(folder_ + "/pgbouncer.log"));
        }
        std::this_thread::sleep_for(20ms);
    }
}

void ThrowAwayPooler::Stop() noexcept {
    if (pooler_ <= 0) {
        return;
    }
    ::kill(pooler_, SIGTERM);  // PgBouncer's immediate shut-down
    const auto deadline = Clock::now() + kStopLimit;
    bool ended = Ended(pooler_);
    while (!ended && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        ended = Ended(pooler_);
    }
    if (!ended) {
        ::kill(pooler_, SIGKILL);
        ::waitpid(pooler_, nullptr, 0);
    }
    pooler_ = -1;
}

std::string ThrowAwayPooler::SocketFile() const {
    return folder_ + "/.s.PGSQL." + std::to_string(kPoolerPort);
}

std::string ThrowAwayPooler::ConnInfo(std::string_view database) const {
    return "host=" + folder_ + " port=" + std::to_string(kPoolerPort) +
           " user=" + kServerSuperuser + " dbname=" + std::string(database);
}

std::string ThrowAwayPooler::Uri(std::string_view database) const {
    return "postgresql://" + std::string(kServerSuperuser) + "@/" + std::string(database) +
           "?host=" + folder_ + "&port=" + std::to_string(kPoolerPort);
}

}  // namespace tavix::testing
