#include "terminal_input.hpp"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "key_decoder.hpp"
#include "terminal.hpp"

namespace tavix::console {

namespace {

// The caught signals first; SIGTSTP is only recorded and put back.
constexpr std::array<int, 5> kSignals = {SIGTERM, SIGHUP, SIGINT, SIGWINCH, SIGTSTP};
constexpr std::size_t kCaughtSignals = 4;

// The write end of the self-pipe: the one thing a signal handler may safely touch.
volatile sig_atomic_t g_wake_fd = -1;

void WakeOnSignal(int signal_number) {
    const int saved_errno = errno;
    const auto byte = static_cast<unsigned char>(signal_number);
    if (g_wake_fd >= 0) {
        // Nothing to do if the pipe is full: enough wake-ups are already waiting.
        [[maybe_unused]] const ssize_t written = ::write(g_wake_fd, &byte, 1);
    }
    errno = saved_errno;
}

}  // namespace

TerminalInput::TerminalInput(int fd, std::function<void()> on_resize,
                             std::chrono::milliseconds sequence_wait)
    : fd_(fd), on_resize_(std::move(on_resize)), sequence_wait_(sequence_wait) {}

TerminalInput::~TerminalInput() {
    Stop();
}

void TerminalInput::Start() {
    if (started_) {
        return;
    }
    if (::pipe2(wake_pipe_.data(), O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot make the pipe that lets signals reach the key wait");
    }
    g_wake_fd = wake_pipe_[1];
    struct sigaction action {};
    action.sa_handler = WakeOnSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], i < kCaughtSignals ? &action : nullptr, &previous_actions_[i]);
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
        const DecodeResult result = DecodeKey(pending_, more_may_come);
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

void TerminalInput::DiscardTypeAhead() {
    pending_.clear();
    ::tcflush(fd_, TCIFLUSH);  // fails harmlessly when the input is no terminal
    std::array<char, 256> buffer{};
    pollfd input{fd_, POLLIN, 0};
    while (::poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0) {
        if (::read(fd_, buffer.data(), buffer.size()) <= 0) {
            break;  // the end of the input is the next ReadKey's to report
        }
    }
}

bool TerminalInput::WaitForInput(std::chrono::milliseconds timeout) {
    std::array<pollfd, 2> fds = {pollfd{wake_pipe_[0], POLLIN, 0}, pollfd{fd_, POLLIN, 0}};
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
    if (ready < 0) {
        if (errno == EINTR) {
            return true;
        }
        throw TerminationRequested{0};
    }
    if (ready == 0) {
        return false;
    }
    if (fds[0].revents != 0) {
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

void TerminalInput::HandleSignals() {
    if (wake_pipe_[0] < 0) {
        return;
    }
    unsigned char signal_number = 0;
    while (::read(wake_pipe_[0], &signal_number, 1) == 1) {
        if (signal_number != SIGWINCH) {
            throw TerminationRequested{signal_number};
        }
        if (on_resize_) {
            on_resize_();
        }
    }
}

void TerminalInput::ReadBytes() {
    std::array<char, 256> buffer{};
    const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
    if (count > 0) {
        pending_.append(buffer.data(), static_cast<std::size_t>(count));
        return;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    // End of file, or EIO once the terminal has hung up.
    throw TerminationRequested{0};
}

}  // namespace tavix::console
