#include "pseudo_terminal_stdio.hpp"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace tavix::console {

PseudoTerminalStdio::PseudoTerminalStdio(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    std::fflush(stdout);
    saved_input_ = ::dup(STDIN_FILENO);
    saved_output_ = ::dup(STDOUT_FILENO);
    ::dup2(slave_, STDIN_FILENO);
    ::dup2(slave_, STDOUT_FILENO);
}

PseudoTerminalStdio::~PseudoTerminalStdio() {
    std::fflush(stdout);
    ::dup2(saved_input_, STDIN_FILENO);
    ::dup2(saved_output_, STDOUT_FILENO);
    for (int fd : {saved_input_, saved_output_, slave_, master_}) {
        ::close(fd);
    }
}

std::string PseudoTerminalStdio::Received() {
    const std::string marker = "\x1b_end\x1b\\";
    if (::write(STDOUT_FILENO, marker.data(), marker.size()) !=
        static_cast<ssize_t>(marker.size())) {
        throw std::runtime_error("cannot mark the end of the output");
    }
    std::string received;
    const bool marked = ReceiveUntil([&](const std::string& piece) { received += piece; },
                                     [&] { return received.ends_with(marker); });
    if (!marked) {
        throw std::runtime_error("the marker never came back");
    }
    return received.substr(0, received.size() - marker.size());
}

bool PseudoTerminalStdio::ReceiveUntil(const std::function<void(const std::string&)>& take,
                                       const std::function<bool()>& done,
                                       std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{master_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) != 1) {
            return false;
        }
        char buffer[4096];
        const ssize_t count = ::read(master_, buffer, sizeof buffer);
        if (count <= 0) {
            return false;
        }
        take(std::string(buffer, static_cast<std::size_t>(count)));
    }
    return true;
}

void PseudoTerminalStdio::Type(const std::string& keys) {
    if (::write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
        throw std::runtime_error("cannot type on the pseudo-terminal");
    }
}

void PseudoTerminalStdio::Resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    if (::ioctl(master_, TIOCSWINSZ, &size) != 0) {
        throw std::runtime_error("cannot resize the pseudo-terminal");
    }
}

std::string PseudoTerminalStdio::Modes() const {
    termios modes{};
    if (::tcgetattr(slave_, &modes) != 0) {
        throw std::runtime_error("cannot read the terminal's modes");
    }
    return std::string(reinterpret_cast<const char*>(&modes), sizeof modes);
}

}  // namespace tavix::console
