#include "terminal_input.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>
#include <utility>

#include "terminal.hpp"

namespace tavix::console {

namespace {

// The termination signals come first.
constexpr std::array<int, 7> kSignals = {SIGTERM,  SIGHUP,  SIGINT, SIGQUIT,
                                         SIGWINCH, SIGTSTP, SIGCONT};
constexpr std::size_t kTerminationSignals = 4;
constexpr std::size_t kResize = 4;
constexpr std::size_t kSuspend = 5;
constexpr std::size_t kContinue = 6;

// More than a terminal holds waiting at once: a burst of keys is read in one call.
constexpr std::size_t kReadSize = 16 * 1024;

// What a signal handler may safely touch: a flag per signal, and the write end of the
// self-pipe that wakes the wait for a key. Reading the flags costs no system call, so a key
// typed ahead is read without looking at the pipe.
volatile sig_atomic_t g_wake_fd = -1;
std::array<volatile sig_atomic_t, kSignals.size()> g_arrived{};

void NoteSignal(int signal_number) {
    const int saved_errno = errno;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (kSignals[i] == signal_number) {
            g_arrived[i] = 1;
        }
    }
    const auto byte = static_cast<unsigned char>(signal_number);
    if (g_wake_fd >= 0) {
        // Nothing to do if the pipe is full: enough wake-ups are already waiting.
        [[maybe_unused]] const ssize_t written = ::write(g_wake_fd, &byte, 1);
    }
    errno = saved_errno;
}

// Whether the signal had arrived; it counts as handled from here on.
bool Take(std::size_t index) {
    if (g_arrived[index] == 0) {
        return false;
    }
    g_arrived[index] = 0;
    return true;
}

bool Ignored(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

// Stops the process as SIGTSTP would have, had it not been caught; returns once it runs
// again. Only this process stops: the keys that stop a whole job arrive here as keys.
void StopThisProcess() {
    struct sigaction stop {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    struct sigaction caught {};
    ::sigaction(SIGTSTP, &stop, &caught);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    sigset_t mask_before;
    pthread_sigmask(SIG_UNBLOCK, &tstp, &mask_before);
    std::raise(SIGTSTP);
    pthread_sigmask(SIG_SETMASK, &mask_before, nullptr);
    ::sigaction(SIGTSTP, &caught, nullptr);
}

}  // namespace

TerminalInput::TerminalInput(int fd, Handlers handlers, std::chrono::milliseconds sequence_wait)
    : fd_(fd),
      handlers_(std::move(handlers)),
      sequence_wait_(sequence_wait),
      read_buffer_(kReadSize) {}

TerminalInput::~TerminalInput() {
    Stop();
}

void TerminalInput::Start() {
    static_assert(kSignals.size() == kSignalCount);
    if (started_) {
        return;
    }
    if (::pipe2(wake_pipe_.data(), O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot make the pipe that lets signals reach the key wait");
    }
    for (auto& arrived : g_arrived) {
        arrived = 0;
    }
    g_wake_fd = wake_pipe_[1];
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &previous_actions_[i]);
        if (i == kSuspend && Ignored(previous_actions_[i])) {
            continue;
        }
        ::sigaction(kSignals[i], &action, nullptr);
    }
    started_ = true;
}

void TerminalInput::Stop() {
    if (!started_) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous_actions_[i], nullptr);
    }
    g_wake_fd = -1;
    for (int& end : wake_pipe_) {
        ::close(end);
        end = -1;
    }
    started_ = false;
}

KeyCode TerminalInput::ReadKey() {
    // A signal that came while the program was busy wins over keys typed meanwhile.
    HandleSignals();
    bool more_may_come = true;
    while (true) {
        const DecodeResult result =
            DecodeKey(pending_, more_may_come, upper_half_ ? &*upper_half_ : nullptr);
        if (result.kind == DecodeResult::Kind::kNeedMore) {
            const auto timeout = pending_.empty() ? std::chrono::milliseconds(-1) : sequence_wait_;
            more_may_come = WaitForInput(timeout);
            continue;
        }
        pending_.erase(0, result.length);
        if (result.kind == DecodeResult::Kind::kKey) {
            return result.key;
        }
    }
}

bool TerminalInput::KeyWaiting() {
    HandleSignals();
    if (pending_.empty()) {
        WaitForInput(std::chrono::milliseconds(0));
    }
    return !pending_.empty();
}

void TerminalInput::DiscardTypeAhead() {
    pending_.clear();
    ::tcflush(fd_, TCIFLUSH);  // fails harmlessly when the input is no terminal
    pollfd input{fd_, POLLIN, 0};
    while (::poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0) {
        if (::read(fd_, read_buffer_.data(), read_buffer_.size()) <= 0) {
            break;  // the end of the input is the next ReadKey's to report
        }
    }
}

bool TerminalInput::WaitForInput(std::chrono::milliseconds timeout) {
    std::array<pollfd, 2> fds = {pollfd{wake_pipe_[0], POLLIN, 0}, pollfd{fd_, POLLIN, 0}};
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
    if (ready < 0) {
        if (errno == EINTR) {
            HandleSignals();
            return true;
        }
        throw TerminationRequested{0};
    }
    if (ready == 0) {
        return false;
    }
    if (fds[0].revents != 0) {
        DrainWakePipe();
        HandleSignals();
    }
    if ((fds[1].revents & POLLNVAL) != 0) {
        throw TerminationRequested{0};
    }
    if (fds[1].revents != 0) {
        ReadBytes();
    }
    return true;
}

// The flags say which signals came; the bytes only woke the wait.
void TerminalInput::DrainWakePipe() {
    std::array<unsigned char, 64> wake_ups{};
    while (::read(wake_pipe_[0], wake_ups.data(), wake_ups.size()) > 0) {
    }
}

void TerminalInput::HandleSignals() {
    if (!started_) {
        return;
    }
    for (std::size_t i = 0; i < kTerminationSignals; ++i) {
        if (Take(i)) {
            throw TerminationRequested{kSignals[i]};
        }
    }
    // Resizes that came together are followed once, at the size the terminal has now.
    if (Take(kResize) && handlers_.resized) {
        handlers_.resized();
    }
    if (Take(kSuspend)) {
        SuspendProcess();
    }
    // A stop this program did not ask for (SIGSTOP) may have left the terminal changed.
    if (Take(kContinue) && handlers_.resumed) {
        handlers_.resumed();
    }
}

void TerminalInput::SuspendProcess() {
    if (handlers_.suspending) {
        handlers_.suspending();
    }
    StopThisProcess();
    // The SIGCONT that woke the process is this resumption.
    Take(kContinue);
    if (handlers_.resumed) {
        handlers_.resumed();
    }
}

void TerminalInput::ReadBytes() {
    const ssize_t count = ::read(fd_, read_buffer_.data(), read_buffer_.size());
    if (count > 0) {
        pending_.append(read_buffer_.data(), static_cast<std::size_t>(count));
        return;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    // End of file, or EIO once the terminal has hung up.
    throw TerminationRequested{0};
}

}  // namespace tavix::console
