#include "pty_program.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace tavix::bench {

namespace {

using Clock = std::chrono::steady_clock;

// The environment of the benchmark, with the terminal type and the locale set to what the
// figures are measured for.
std::vector<std::string> ProgramEnvironment() {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (!text.starts_with("TERM=") && !text.starts_with("LANG=") && !text.starts_with("LC_") &&
            !text.starts_with("COLUMNS=") && !text.starts_with("LINES=")) {
            environment.emplace_back(text);
        }
    }
    environment.emplace_back("TERM=xterm-256color");
    environment.emplace_back("LANG=C.UTF-8");
    return environment;
}

std::chrono::milliseconds Remaining(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

PtyProgram::PtyProgram(const std::vector<std::string>& command, int columns, int rows)
    : screen_(columns, rows) {
    // Everything the child needs is made before the fork.
    const std::vector<std::string> environment = ProgramEnvironment();
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (const std::string& argument : command) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);

    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) {
        throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

PtyProgram::~PtyProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

void PtyProgram::Send(std::string_view keys) {
    while (!keys.empty()) {
        const ssize_t written = ::write(master_, keys.data(), keys.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            throw std::runtime_error(std::string("cannot type into the program: ") +
                                     std::strerror(errno));
        }
        keys.remove_prefix(static_cast<std::size_t>(written));
    }
}

void PtyProgram::TypeAhead(std::string_view keys, std::chrono::milliseconds patience) {
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    try {
        while (!keys.empty()) {
            pollfd ready{master_, POLLIN | POLLOUT, 0};
            const int polled = ::poll(&ready, 1, static_cast<int>(patience.count()));
            if (polled < 0 && errno == EINTR) {
                continue;
            }
            if (polled <= 0) {
                throw std::runtime_error("the program took no keys and wrote nothing for " +
                                         std::to_string(patience.count()) + " ms; the screen:\n" +
                                         screen_.Dump());
            }
            if ((ready.revents & POLLIN) != 0 && !ReadSome(std::chrono::milliseconds(0))) {
                throw std::runtime_error("the program ended; its last screen:\n" + screen_.Dump());
            }
            if ((ready.revents & POLLOUT) != 0) {
                const ssize_t written = ::write(master_, keys.data(), keys.size());
                if (written > 0) {
                    keys.remove_prefix(static_cast<std::size_t>(written));
                } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                    throw std::runtime_error(std::string("cannot type into the program: ") +
                                             std::strerror(errno));
                }
            }
        }
    } catch (...) {
        ::fcntl(master_, F_SETFL, flags);
        throw;
    }
    ::fcntl(master_, F_SETFL, flags);
}

bool PtyProgram::ReadSome(std::chrono::milliseconds patience) {
    pollfd ready{master_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(patience.count()));
    if (polled < 0 && errno == EINTR) {
        return true;
    }
    if (polled <= 0) {
        throw std::runtime_error("the program wrote nothing for " +
                                 std::to_string(patience.count()) + " ms; the screen:\n" +
                                 screen_.Dump());
    }
    std::array<char, 65536> buffer;
    const ssize_t count = ::read(master_, buffer.data(), buffer.size());
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    if (count <= 0) {
        return false;  // EIO: every copy of the terminal's other side is closed
    }
    bytes_read_ += static_cast<std::size_t>(count);
    screen_.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
    return true;
}

std::size_t PtyProgram::ReadUntil(const ScreenTest& done, std::chrono::milliseconds patience) {
    const Clock::time_point deadline = Clock::now() + patience;
    const std::size_t before = bytes_read_;
    for (;;) {
        if (!ReadSome(Remaining(deadline))) {
            throw std::runtime_error("the program ended; its last screen:\n" + screen_.Dump());
        }
        if (done(screen_)) {
            return bytes_read_ - before;
        }
    }
}

PtyProgram::Ending PtyProgram::WaitForEnd(std::chrono::milliseconds patience) {
    const Clock::time_point deadline = Clock::now() + patience;
    Ending ending;
    const std::size_t before = bytes_read_;
    while (ReadSome(Remaining(deadline))) {
    }
    ending.bytes = bytes_read_ - before;
    rusage usage{};
    if (::wait4(pid_, &ending.status, 0, &usage) != pid_) {
        throw std::runtime_error(std::string("cannot reap the program: ") + std::strerror(errno));
    }
    pid_ = -1;
    ending.peak_rss_kib = usage.ru_maxrss;
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    ending.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return ending;
}

}  // namespace tavix::bench
