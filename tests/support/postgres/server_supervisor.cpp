#include "support/postgres/server_supervisor.hpp"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <thread>
#include <vector>

#include "support/postgres/process_census.hpp"
#include "support/postgres/server_certificates.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::testing {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Generous: initdb takes seconds on a busy machine, and more under a loaded CI.
constexpr auto kStartLimit = 120s;
constexpr auto kStopLimit = 10s;
constexpr auto kPollInterval = 20ms;

std::string DataFolder(const SupervisorPlan& plan) {
    return plan.folder + "/data";
}

void Report(int report_fd, char what, std::string_view text) {
    std::string line(1, what);
    line.append(" ").append(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    line.push_back('\n');
    const char* next = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(report_fd, next, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // nobody reads any more
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
}

std::string LogTail(const std::string& path) {
    std::ifstream log(path);
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    constexpr std::size_t kTail = 1500;
    return text.size() > kTail ? "..." + text.substr(text.size() - kTail) : text;
}

enum class Control { kNothing, kEnd, kStopServer, kStopServerImmediately, kStartServer };

// What came on the control pipe within wait: a command, or its end once the test has closed it
// (or died).
Control NextControl(int control_fd, std::chrono::milliseconds wait) {
    pollfd watched{control_fd, POLLIN, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(wait.count()));
    if (ready <= 0) {
        return Control::kNothing;
    }
    char command = 0;
    const ssize_t count = ::read(control_fd, &command, 1);
    if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
        return Control::kEnd;
    }
    if (count == 1 && command == kStopServer) {
        return Control::kStopServer;
    }
    if (count == 1 && command == kStopServerImmediately) {
        return Control::kStopServerImmediately;
    }
    return count == 1 && command == kStartServer ? Control::kStartServer : Control::kNothing;
}

// True once the test has closed its end of the control pipe (or died). Commands meanwhile are
// dropped: they come only once the server runs.
bool StopRequested(int control_fd, std::chrono::milliseconds wait) {
    return NextControl(control_fd, wait) == Control::kEnd;
}

// In the child, before exec: a process group of its own, the signals as a fresh process has
// them, the rights of kUnprivilegedUser when asked, the log as standard output and error.
[[noreturn]] void ExecLogged(const SupervisorPlan& plan, const std::vector<std::string>& arguments,
                             const std::string& log) {
    ::setpgid(0, 0);
    for (const int signal : {SIGPIPE, SIGINT, SIGHUP, SIGTERM, SIGQUIT}) {
        ::signal(signal, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (plan.drop_privileges && (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedUser) != 0 ||
                                 ::setuid(kUnprivilegedUser) != 0)) {
        ::_exit(126);
    }
    const int log_fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (log_fd < 0 || ::dup2(log_fd, STDOUT_FILENO) < 0 || ::dup2(log_fd, STDERR_FILENO) < 0 ||
        ::chdir(plan.folder.c_str()) != 0) {
        ::_exit(126);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    char locale[] = "LC_ALL=C";
    char path[] = "PATH=/usr/bin:/bin";
    char* environment[] = {locale, path, nullptr};
    ::execve(argv[0], argv.data(), environment);
    ::_exit(127);
}

pid_t Spawn(const SupervisorPlan& plan, const std::vector<std::string>& arguments,
            const std::string& log) {
    const pid_t child = ::fork();
    if (child == 0) {
        ExecLogged(plan, arguments, log);
    }
    return child;
}

// Reaps child if it has ended; its wait status through status.
bool Ended(pid_t child, int& status) {
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(child, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    return reaped == child || (reaped < 0 && errno == ECHILD);
}

bool EndsWithin(pid_t child, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    int status = 0;
    while (!Ended(child, status)) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Ends initdb and what it started: they share its process group.
void KillProcessGroup(pid_t leader) {
    ::kill(-leader, SIGKILL);
    EndsWithin(leader, kStopLimit);
}

// The postmaster ends only once all its processes have, and an immediate shut-down is enough for
// data that is thrown away. Should it not end in time, it is killed, and so is every process
// still working in the folder: the server's processes are in sessions of their own, out of reach
// of a signal to the postmaster's group.
void StopServer(const SupervisorPlan& plan, pid_t postmaster) {
    ::kill(postmaster, SIGQUIT);
    if (EndsWithin(postmaster, kStopLimit)) {
        return;
    }
    ::kill(postmaster, SIGKILL);
    EndsWithin(postmaster, kStopLimit);
    const auto deadline = Clock::now() + kStopLimit;
    for (auto left = ProcessesWorkingIn(plan.folder); !left.empty() && Clock::now() < deadline;
         left = ProcessesWorkingIn(plan.folder)) {
        for (const pid_t process : left) {
            ::kill(process, SIGKILL);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

[[noreturn]] void Finish(const SupervisorPlan& plan, int report_fd, char what,
                         std::string_view text) {
    std::error_code ignored;
    std::filesystem::remove_all(plan.folder, ignored);
    if (what != 0) {
        Report(report_fd, what, text);
    }
    ::_exit(0);
}

enum class Outcome { kDone, kFailed, kServerEnded, kStopRequested };

// The data folder: a new cluster, or for a standby a copy of its primary that, once started,
// streams from it (-R writes primary_conninfo and standby.signal).
std::vector<std::string> SetupCommand(const SupervisorPlan& plan) {
    const std::string& primary = plan.settings.standby_of;
    if (!primary.empty()) {
        return {plan.binaries.base_backup.string(),
                "-D",
                DataFolder(plan),
                "-R",
                "-X",
                "stream",
                "--no-sync",
                "-d",
                "host=" + primary + " user=" + kServerSuperuser};
    }
    return {plan.binaries.initdb.string(),
            "-D",
            DataFolder(plan),
            "-U",
            kServerSuperuser,
            "-A",
            "trust",
            "-E",
            "UTF8",
            "--locale=C",
            "--no-sync",
            "--no-instructions"};
}

Outcome PrepareDataFolder(const SupervisorPlan& plan, int control_fd, std::string& failure) {
    const std::string log = plan.folder + "/initdb.log";
    const std::vector<std::string> command = SetupCommand(plan);
    const std::string program = std::filesystem::path(command.front()).filename().string();
    const pid_t setup = Spawn(plan, command, log);
    if (setup < 0) {
        failure = "cannot start " + program;
        return Outcome::kFailed;
    }
    const auto deadline = Clock::now() + kStartLimit;
    int status = 0;
    while (!Ended(setup, status)) {
        const bool late = Clock::now() >= deadline;
        if (late || StopRequested(control_fd, kPollInterval)) {
            KillProcessGroup(setup);
            failure = program + " did not finish in time: " + LogTail(log);
            return late ? Outcome::kFailed : Outcome::kStopRequested;
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        failure = program + " failed: " + LogTail(log);
        return Outcome::kFailed;
    }
    return Outcome::kDone;
}

std::string ReadinessProbe(const SupervisorPlan& plan) {
    return "host=" + plan.folder + " port=" + std::to_string(plan.settings.port) +
           " user=" + kServerSuperuser + " dbname=postgres connect_timeout=2";
}

Outcome AwaitAcceptingConnections(const SupervisorPlan& plan, pid_t server, int control_fd,
                                  std::string& failure) {
    const std::string log = plan.folder + "/server.log";
    const std::string probe = ReadinessProbe(plan);
    const auto deadline = Clock::now() + kStartLimit;
    while (PQping(probe.c_str()) != PQPING_OK) {
        int status = 0;
        if (Ended(server, status)) {
            failure = "the server ended while starting: " + LogTail(log);
            return Outcome::kServerEnded;
        }
        if (Clock::now() >= deadline) {
            failure = "the server did not accept connections in time: " + LogTail(log);
            return Outcome::kFailed;
        }
        if (StopRequested(control_fd, kPollInterval)) {
            return Outcome::kStopRequested;
        }
    }
    return Outcome::kDone;
}

// The arguments with TCP, when asked for, on 127.0.0.1 alone and with TLS, so that a client
// that verifies the certificate reaches the server as a site's terminal reaches its own.
std::vector<std::string> WithListening(const SupervisorPlan& plan,
                                       std::vector<std::string> arguments) {
    const ServerCertificates files = CertificatesIn(plan.folder);
    const std::vector<std::string> listening =
        plan.settings.tls ? std::vector<std::string>{"-c", "listen_addresses=127.0.0.1",
                                                     "-c", "ssl=on",
                                                     "-c", "ssl_cert_file=" + files.certificate,
                                                     "-c", "ssl_key_file=" + files.key}
                          : std::vector<std::string>{"-c", "listen_addresses="};
    arguments.insert(arguments.end(), listening.begin(), listening.end());
    return arguments;
}

pid_t StartServer(const SupervisorPlan& plan) {
    // Without TCP the socket in the folder is the only way in, and only the folder's owner
    // (and root) may enter the folder. Durability is pointless for data thrown away, and the
    // server's own default for synchronous_commit is off so that the tests see the client
    // turn it on.
    const ServerSettings& settings = plan.settings;
    const std::string durable = settings.durable ? "on" : "off";
    return Spawn(
        plan,
        WithListening(
            plan, {plan.binaries.postgres.string(), "-D", DataFolder(plan), "-k", plan.folder, "-p",
                   std::to_string(settings.port), "-c", "fsync=" + durable, "-c",
                   "full_page_writes=" + durable, "-c", "synchronous_commit=off", "-c",
                   "shared_buffers=" + settings.shared_buffers, "-c",
                   "max_connections=" + std::to_string(settings.max_connections)}),
        plan.folder + "/server.log");
}

// A fast shut-down, as an administrator stops a server: each session is ended with a word to
// its client, and the data stays. Killed when it takes too long.
void StopServerFast(const SupervisorPlan& plan, pid_t postmaster) {
    ::kill(postmaster, SIGINT);
    if (!EndsWithin(postmaster, kStopLimit)) {
        StopServer(plan, postmaster);
    }
}

void IgnoreTerminalSignals() {
    for (const int signal : {SIGPIPE, SIGINT, SIGHUP, SIGQUIT}) {
        ::signal(signal, SIG_IGN);
    }
}

// Follows the commands until the control pipe ends; the postmaster then running, or 0.
pid_t FollowCommands(const SupervisorPlan& plan, pid_t server, int control_fd, int report_fd) {
    while (true) {
        const Control command = NextControl(control_fd, std::chrono::milliseconds(60000));
        switch (command) {
            case Control::kEnd:
                return server;
            case Control::kStopServer:
            case Control::kStopServerImmediately:
                if (server > 0 && command == Control::kStopServer) {
                    StopServerFast(plan, server);
                } else if (server > 0) {
                    StopServer(plan, server);
                }
                server = 0;
                Report(report_fd, kDown, "");
                break;
            case Control::kStartServer: {
                if (server == 0) {
                    server = StartServer(plan);
                }
                if (server < 0) {
                    Report(report_fd, kFailed, "cannot start the server");
                    server = 0;
                    break;
                }
                std::string failure;
                const Outcome started =
                    AwaitAcceptingConnections(plan, server, control_fd, failure);
                if (started == Outcome::kDone) {
                    Report(report_fd, kReady, std::to_string(server));
                    break;
                }
                Report(report_fd, kFailed, failure);
                if (started == Outcome::kServerEnded) {
                    server = 0;
                }
                if (started == Outcome::kStopRequested) {
                    return server;
                }
                break;
            }
            case Control::kNothing:
                break;
        }
    }
}

}  // namespace

void Supervise(const SupervisorPlan& plan, int control_fd, int report_fd) {
    IgnoreTerminalSignals();
    std::string failure;
    const Outcome initialised = PrepareDataFolder(plan, control_fd, failure);
    if (initialised != Outcome::kDone) {
        Finish(plan, report_fd, initialised == Outcome::kFailed ? kFailed : 0, failure);
    }
    const pid_t server = StartServer(plan);
    if (server < 0) {
        Finish(plan, report_fd, kFailed, "cannot start the server");
    }
    const Outcome started = AwaitAcceptingConnections(plan, server, control_fd, failure);
    pid_t running = started == Outcome::kServerEnded ? 0 : server;
    if (started == Outcome::kDone) {
        Report(report_fd, kReady, std::to_string(server));
        running = FollowCommands(plan, server, control_fd, report_fd);
    }
    if (running > 0) {
        StopServer(plan, running);
    }
    Finish(plan, report_fd, failure.empty() ? 0 : kFailed, failure);
}

}  // namespace tavix::testing
