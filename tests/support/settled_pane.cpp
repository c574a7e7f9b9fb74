#include "support/settled_pane.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tavix::testing {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = 5ms;
// Where /proc cannot tell, how long a screen must stay the same: well beyond the wait for the
// rest of an escape sequence.
constexpr auto kQuietWhenUncertain = 150ms;
constexpr std::uint64_t kNoLimit32 = 0xFFFFFFFFu;

// Runs a command through the shell and returns what it printed, or throws.
std::string Output(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::string output;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, count);
    }
    if (::pclose(pipe) != 0) {
        throw std::runtime_error(command + " failed");
    }
    return output;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// The system call a process is blocked in and its arguments, as /proc shows them; empty when
// it runs, nullopt when /proc does not show it.
std::optional<std::vector<std::uint64_t>> BlockingCall(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
    std::string line;
    if (!file || !std::getline(file, line) || line.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint64_t> fields;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        if (word == "running") {
            return std::vector<std::uint64_t>{};
        }
        fields.push_back(std::stoull(word, nullptr, 0));
    }
    return fields;
}

// Whether the call waits for input with no time limit: the program waits for a key.
bool WaitsWithoutLimit(const std::vector<std::uint64_t>& call) {
    if (call.size() < 7) {
        return false;
    }
    const std::uint64_t number = call[0];
    const auto argument = [&](int i) { return call[static_cast<std::size_t>(i)]; };
    const auto no_limit = [](std::uint64_t timeout) {
        return (timeout & kNoLimit32) == kNoLimit32;
    };
#ifdef SYS_poll
    if (number == SYS_poll) {
        return no_limit(argument(3));
    }
#endif
#ifdef SYS_select
    if (number == SYS_select) {
        return argument(5) == 0;
    }
#endif
#ifdef SYS_epoll_wait
    if (number == SYS_epoll_wait) {
        return no_limit(argument(4));
    }
#endif
    if (number == SYS_ppoll) {
        return argument(3) == 0;
    }
    if (number == SYS_pselect6) {
        return argument(5) == 0;
    }
    if (number == SYS_epoll_pwait) {
        return no_limit(argument(4));
    }
    return number == SYS_read && argument(1) == STDIN_FILENO;
}

// How many read calls the process has made, as /proc counts them.
std::optional<std::uint64_t> ReadCalls(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/io");
    for (std::string name, value; file >> name >> value;) {
        if (name == "syscr:") {
            return std::stoull(value);
        }
    }
    return std::nullopt;
}

char ProcessState(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(file, stat);
    const std::size_t name_end = stat.rfind(')');
    return name_end == std::string::npos || name_end + 2 >= stat.size() ? '?' : stat[name_end + 2];
}

}  // namespace

SettledPane::SettledPane(const TmuxSession& session, std::chrono::milliseconds timeout)
    : session_(session),
      timeout_(timeout),
      socket_(session.Format("#{socket_path}")),
      pane_(session.Format("#{pane_id}")) {
    const std::string tty = session.Format("#{pane_tty}");
    tty_fd_ = ::open(tty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (tty_fd_ < 0) {
        throw std::runtime_error("cannot open the pane's terminal " + tty + ": " +
                                 std::strerror(errno));
    }
}

SettledPane::~SettledPane() {
    ::close(tty_fd_);
}

PaneSnapshot SettledPane::Snapshot() const {
    // One tmux call for both, so that the cursor belongs to the screen.
    const std::string output =
        Output("tmux -u -S " + Quoted(socket_) + " display-message -p -t " + Quoted(pane_) +
               " '#{cursor_flag} #{cursor_x} #{cursor_y}' \\; capture-pane -p -e -N -t " +
               Quoted(pane_) + " </dev/null 2>&1");
    const std::size_t first_line_end = output.find('\n');
    std::istringstream cursor(output.substr(0, first_line_end));
    PaneSnapshot snapshot;
    int flag = 0;
    if (first_line_end == std::string::npos ||
        !(cursor >> flag >> snapshot.cursor.x >> snapshot.cursor.y)) {
        throw std::runtime_error("tmux did not show the pane: " + output);
    }
    snapshot.cursor.visible = flag != 0;
    ++snapshot.cursor.x;  // tmux counts from 0
    ++snapshot.cursor.y;
    snapshot.capture = output.substr(first_line_end + 1);
    return snapshot;
}

std::pair<PaneSnapshot, bool> SettledPane::Wait() {
    const auto deadline = Clock::now() + timeout_;
    std::optional<PaneSnapshot> previous;
    auto same_since = Clock::now();
    for (;;) {
        // The snapshot first: a program found waiting afterwards drew it, or will be seen
        // drawing something else in the next one.
        PaneSnapshot snapshot = Snapshot();
        const Activity activity = ProgramActivity();
        const std::optional<bool> key_read = KeyRead();
        const bool idle = activity != Activity::kBusy && key_read.value_or(true) && !InputPending();
        if (!idle || previous != snapshot) {
            same_since = Clock::now();
        }
        const bool certain = activity == Activity::kWaitsForKey && key_read.has_value();
        const bool settled = idle && previous == snapshot &&
                             (certain || Clock::now() - same_since >= kQuietWhenUncertain);
        if (settled) {
            return {snapshot, true};
        }
        if (Clock::now() > deadline) {
            return {snapshot, false};
        }
        previous = idle ? std::optional<PaneSnapshot>(std::move(snapshot)) : std::nullopt;
        std::this_thread::sleep_for(kPollInterval);
    }
}

void SettledPane::ExpectKey() {
    ProgramActivity();  // finds the program
    reads_before_key_ = program_ < 0 ? std::nullopt : ReadCalls(program_);
    key_expected_ = true;
}

std::optional<bool> SettledPane::KeyRead() {
    if (!key_expected_) {
        return true;
    }
    const std::optional<std::uint64_t> reads = program_ < 0 ? std::nullopt : ReadCalls(program_);
    if (!reads || !reads_before_key_) {
        return std::nullopt;
    }
    if (*reads > *reads_before_key_) {
        key_expected_ = false;
    }
    return !key_expected_;
}

SettledPane::Activity SettledPane::ProgramActivity() {
    if (program_ < 0) {
        const std::vector<pid_t> children = ChildProcesses(session_.PanePid());
        if (children.size() != 1) {
            return Activity::kBusy;  // not started yet, or already gone
        }
        program_ = children.front();
    }
    const std::optional<std::vector<std::uint64_t>> call = BlockingCall(program_);
    if (call) {
        return WaitsWithoutLimit(*call) ? Activity::kWaitsForKey : Activity::kBusy;
    }
    return ProcessState(program_) == 'S' ? Activity::kSleeping : Activity::kBusy;
}

bool SettledPane::InputPending() const {
    int pending = 0;
    return ::ioctl(tty_fd_, FIONREAD, &pending) != 0 || pending > 0;
}

}  // namespace tavix::testing
