#include "tmux_session.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "program_environment.hpp"

extern char** environ;

namespace tavix::testing {

namespace {

using namespace std::chrono_literals;

constexpr const char* kSession = "tavix";
constexpr auto kPollInterval = 10ms;

struct ProcessResult {
    int exit_status = -1;
    std::string out;
    std::string err;
};

// The test's environment without what would make tmux talk to a server the test did not
// start, and with a UTF-8 locale: the program writes in the locale's character set, and the
// panes are UTF-8 whatever the test's locale.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        if (!variable.starts_with("TMUX=") && !variable.starts_with("TMUX_PANE=") &&
            !variable.starts_with("LANG=") && !variable.starts_with("LC_")) {
            variables.emplace_back(variable);
        }
    }
    variables.emplace_back("LANG=C.UTF-8");
    return variables;
}

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Reads both pipes to their end, whichever the child fills first.
void ReadUntilClosed(int out_fd, int err_fd, ProcessResult& result) {
    std::array<pollfd, 2> fds = {pollfd{out_fd, POLLIN, 0}, pollfd{err_fd, POLLIN, 0}};
    std::array<std::string*, 2> sinks = {&result.out, &result.err};
    std::array<char, 4096> buffer{};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t count = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (count > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(count));
            } else if (count == 0 || errno != EINTR) {
                fds[i].fd = -1;
            }
        }
    }
}

// Runs a program found on PATH with standard input from /dev/null, as CI has none.
ProcessResult Run(std::vector<std::string> arguments) {
    std::array<int, 2> out{};
    std::array<int, 2> err{};
    if (::pipe2(out.data(), O_CLOEXEC) != 0 || ::pipe2(err.data(), O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make pipes to run " + arguments.front());
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> environment = ChildEnvironment();
    const std::vector<char*> argv = PointersTo(arguments);
    const std::vector<char*> envp = PointersTo(environment);
    pid_t pid = 0;
    const int spawn_error =
        posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    ProcessResult result;
    if (spawn_error == 0) {
        ReadUntilClosed(out[0], err[0], result);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        result.err = std::strerror(spawn_error);
    }
    ::close(out[0]);
    ::close(err[0]);
    return result;
}

std::string UniqueSocketName() {
    static std::atomic<int> sessions{0};
    return "tavix-test-" + std::to_string(::getpid()) + "-" + std::to_string(sessions++);
}

std::string RightTrimmed(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

}  // namespace

TmuxSession::TmuxSession(const std::string& command, TmuxOptions options)
    : socket_(UniqueSocketName()), options_(std::move(options)) {
    // The server takes the environment of the test process.
    ClearProgramEnvironment();
    std::vector<std::string> arguments = {"set-option", "-g", "remain-on-exit", "on", ";"};
    if (!options_.term.empty()) {
        arguments.insert(arguments.end(),
                         {"set-option", "-g", "default-terminal", options_.term, ";"});
    }
    arguments.insert(arguments.end(),
                     {"new-session", "-d", "-s", kSession, "-x", std::to_string(options_.columns),
                      "-y", std::to_string(options_.rows), command});
    Tmux(arguments);
}

namespace {

// The session id of a process, from /proc; -1 when it is gone.
pid_t SessionOf(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return -1;
    }
    // pid (comm) state ppid pgrp session ...: comm may hold spaces, so read after its ')'.
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string state;
    pid_t parent = 0, group = 0, session = -1;
    fields >> state >> parent >> group >> session;
    return session;
}

// The processes still running in the sessions that the panes' shells lead.
std::vector<pid_t> ProcessesOfSessions(const std::vector<pid_t>& leaders) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const auto process = static_cast<pid_t>(std::stol(name));
        if (std::find(leaders.begin(), leaders.end(), SessionOf(process)) != leaders.end()) {
            found.push_back(process);
        }
    }
    return found;
}

// What ran in the panes gets the hang-up first and a while to end by itself, as a program
// whose terminal goes away would; whatever is still there then is killed. A program still
// ending when its terminal goes (a sanitizer's leak check at exit, say) can otherwise be left
// spinning for ever, orphaned, and slow down every test after it.
void EndPaneProcesses(const std::vector<pid_t>& leaders) {
    constexpr auto kTimeToEnd = 10s;
    const auto deadline = std::chrono::steady_clock::now() + kTimeToEnd;
    while (!ProcessesOfSessions(leaders).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
    }
    for (const pid_t process : ProcessesOfSessions(leaders)) {
        ::kill(process, SIGKILL);
    }
}

}  // namespace

TmuxSession::~TmuxSession() {
    std::vector<pid_t> pane_leaders;
    try {
        std::istringstream panes(Tmux({"list-panes", "-a", "-F", "#{pane_pid}"}));
        for (pid_t leader = 0; panes >> leader;) {
            pane_leaders.push_back(leader);
        }
        Tmux({"kill-server"});
    } catch (const std::exception&) {
        // The server is already gone.
    }
    EndPaneProcesses(pane_leaders);
}

void TmuxSession::SendKey(const std::string& key_name) {
    Tmux({"send-keys", "-t", kSession, key_name});
}

void TmuxSession::SendText(const std::string& text) {
    Tmux({"send-keys", "-t", kSession, "-l", text});
}

void TmuxSession::Resize(int columns, int rows) {
    Tmux({"resize-window", "-t", kSession, "-x", std::to_string(columns), "-y",
          std::to_string(rows)});
}

std::vector<std::string> TmuxSession::Lines() const {
    std::istringstream screen(Tmux({"capture-pane", "-p", "-t", kSession}));
    std::vector<std::string> lines;
    for (std::string line; std::getline(screen, line);) {
        lines.push_back(RightTrimmed(line));
    }
    return lines;
}

std::string TmuxSession::Line(int row) const {
    const std::vector<std::string> lines = Lines();
    return row >= 1 && row <= static_cast<int>(lines.size()) ? lines[row - 1] : "";
}

std::string TmuxSession::Screen() const {
    std::string screen;
    for (const std::string& line : Lines()) {
        screen += line + "\n";
    }
    return screen;
}

std::string TmuxSession::ScreenWithColours() const {
    return Tmux({"capture-pane", "-p", "-e", "-t", kSession});
}

bool TmuxSession::WaitFor(
    const std::function<bool(const std::vector<std::string>&)>& condition) const {
    const auto deadline = std::chrono::steady_clock::now() + options_.timeout;
    while (true) {
        if (condition(Lines())) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool TmuxSession::WaitForText(const std::string& text) const {
    return WaitFor([&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    });
}

bool TmuxSession::WaitForLine(int row, const std::string& text) const {
    return WaitFor([&](const std::vector<std::string>& lines) { return LineIs(lines, row, text); });
}

bool LineIs(const std::vector<std::string>& lines, int row, const std::string& text) {
    return row >= 1 && static_cast<int>(lines.size()) >= row && lines[row - 1] == text;
}

bool TmuxSession::WaitForStableScreen() const {
    std::optional<std::vector<std::string>> previous;
    return WaitFor([&](const std::vector<std::string>& lines) {
        const bool stable = previous == lines;
        previous = lines;
        return stable;
    });
}

std::string TmuxSession::Format(const std::string& format) const {
    std::string value = Tmux({"display-message", "-p", "-t", kSession, format});
    if (!value.empty() && value.back() == '\n') {
        value.pop_back();
    }
    return value;
}

pid_t TmuxSession::PanePid() const {
    return std::stoi(Format("#{pane_pid}"));
}

std::string TmuxSession::Tmux(std::vector<std::string> arguments) const {
    // -u: UTF-8 whatever the test's locale; -f /dev/null: no user's configuration.
    arguments.insert(arguments.begin(), {"tmux", "-u", "-L", socket_, "-f", "/dev/null"});
    const ProcessResult result = Run(arguments);
    if (result.exit_status != 0) {
        std::string command;
        for (const std::string& argument : arguments) {
            command += argument + " ";
        }
        throw std::runtime_error(command + "failed: " + result.err);
    }
    return result.out;
}

std::map<pid_t, pid_t> ParentsOfProcesses() {
    std::map<pid_t, pid_t> parents;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat_file(entry.path() / "stat");
        std::string stat;
        std::getline(stat_file, stat);
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const std::size_t name_end = stat.rfind(')');
        if (name_end == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(name_end + 1));
        std::string state;
        pid_t ppid = 0;
        if (fields >> state >> ppid) {
            parents[std::stoi(name)] = ppid;
        }
    }
    return parents;
}

std::vector<pid_t> ChildProcesses(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& [process, its_parent] : ParentsOfProcesses()) {
        if (its_parent == parent) {
            children.push_back(process);
        }
    }
    return children;
}

bool TmuxAvailable() {
    return Run({"tmux", "-V"}).exit_status == 0;
}

}  // namespace tavix::testing
