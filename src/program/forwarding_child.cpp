#include "program/forwarding_child.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "diagnostics/diagnostic_log.hpp"
#include "program/forwarding_rounds.hpp"
#include "store/forwarding.hpp"

namespace tavix::program {

namespace {

// The child's end of the lifeline, once the child has settled its descriptors.
constexpr int kLifelineInChild = 3;
constexpr int kWaitForWaking = -1;

[[noreturn]] void SystemFailure(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void RedirectStandardStreamsToNull() {
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0) {
        ::_exit(1);
    }
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        ::dup2(null, stream);
    }
    if (null > kLifelineInChild) {
        ::close(null);
    }
}

// The signals as a fresh process has them: the program may have held some back or caught them.
void DefaultSignals() {
    for (const int signal_number : {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE}) {
        std::signal(signal_number, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Cuts the child loose from everything of the program's but the lifeline and the log, and ties
// its end to the program's.
void Detach(pid_t program, int lifeline) {
    ::setsid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != program) {
        ::_exit(0);  // the program ended before the tie was made
    }
    DefaultSignals();
    // First, as a program started with a standard stream closed may have the lifeline there.
    if (lifeline != kLifelineInChild) {
        ::dup2(lifeline, kLifelineInChild);
    }
    RedirectStandardStreamsToNull();
    ::close_range(kLifelineInChild + 1, ~0U, 0);
}

// Waits for the next pass: until timeout_ms have passed (-1: for ever) or the program wakes the
// child. Ends the child when the program has gone.
void WaitForNextPass(int timeout_ms, pid_t program) {
    pollfd lifeline{kLifelineInChild, POLLIN, 0};
    if (::poll(&lifeline, 1, timeout_ms) > 0) {
        std::array<char, 64> wakes{};
        const ssize_t got = ::read(kLifelineInChild, wakes.data(), wakes.size());
        if (got == 0 || (got < 0 && errno != EINTR)) {
            ::_exit(0);  // closed: the program has ended
        }
    }
    if (::getppid() != program) {
        ::_exit(0);
    }
}

bool NothingWaits(const store::ForwardOutcome& outcome) {
    return !outcome.failure && outcome.waiting == 0;
}

[[noreturn]] void Forward(const std::string& file, const std::string& uri, ForwardingPace pace,
                          pid_t program) {
    // The server is named by each failure's reason.
    const std::string step = "forwarding " + file;
    ForwardingRounds rounds;
    store::Forwarder forwarder(file, uri);
    for (;;) {
        // A spool is made with the first reading kept: none yet is nothing to forward.
        const store::ForwardOutcome outcome =
            pace == ForwardingPace::kWhenWoken && !std::filesystem::exists(file)
                ? store::ForwardOutcome{}
                : forwarder.ForwardPending();
        const ForwardingRounds::Next next = rounds.After(outcome);
        for (const std::string& line : next.log_lines) {
            diagnostics::LogFailure(step, line);
        }
        const bool idle = pace == ForwardingPace::kWhenWoken && NothingWaits(outcome);
        WaitForNextPass(
            idle ? kWaitForWaking : static_cast<int>(std::chrono::milliseconds(next.wait).count()),
            program);
    }
}

}  // namespace

ForwardingChild StartForwardingChild(const std::string& file, const std::string& uri,
                                     ForwardingPace pace) {
    std::array<int, 2> ends{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        SystemFailure("cannot make the forwarder's lifeline");
    }
    const pid_t program = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        errno = error;
        SystemFailure("cannot start the forwarder");
    }
    if (pid == 0) {
        try {
            Detach(program, ends[1]);
            Forward(file, uri, pace, program);
        } catch (...) {
            diagnostics::LogCurrentFailure("forwarding " + file);
        }
        ::_exit(1);
    }
    ::close(ends[1]);
    // A wake never waits for the child, and a child gone never ends the program (SIGPIPE).
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    return {pid, ends[0]};
}

}  // namespace tavix::program
