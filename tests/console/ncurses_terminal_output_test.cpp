// What the real terminal backend writes on a pseudo-terminal: the test process's standard
// input and output become the terminal's other side for the time of the test.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/ncurses_terminal.hpp"

namespace tavix::console {
namespace {

class PseudoTerminalStdio {
  public:
    PseudoTerminalStdio(int columns, int rows) {
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
    ~PseudoTerminalStdio() {
        std::fflush(stdout);
        ::dup2(saved_input_, STDIN_FILENO);
        ::dup2(saved_output_, STDOUT_FILENO);
        for (int fd : {saved_input_, saved_output_, slave_, master_}) {
            ::close(fd);
        }
    }
    PseudoTerminalStdio(const PseudoTerminalStdio&) = delete;
    PseudoTerminalStdio& operator=(const PseudoTerminalStdio&) = delete;

    // Everything the terminal received since the last call. A marker written after it on
    // the same side tells where it ends; the pseudo-terminal keeps the order.
    std::string Received() {
        const std::string marker = "\x1b_end\x1b\\";
        if (::write(STDOUT_FILENO, marker.data(), marker.size()) !=
            static_cast<ssize_t>(marker.size())) {
            throw std::runtime_error("cannot mark the end of the output");
        }
        std::string received;
        while (!received.ends_with(marker)) {
            pollfd ready{master_, POLLIN, 0};
            char buffer[4096];
            if (::poll(&ready, 1, 10000) != 1) {
                throw std::runtime_error("the marker never came back");
            }
            const ssize_t count = ::read(master_, buffer, sizeof buffer);
            if (count <= 0) {
                throw std::runtime_error("the pseudo-terminal closed");
            }
            received.append(buffer, static_cast<std::size_t>(count));
        }
        return received.substr(0, received.size() - marker.size());
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    int saved_input_ = -1;
    int saved_output_ = -1;
};

// Curses used to put the terminal back to plain colours at the end of every refresh, so each
// key typed into a coloured field cost the character, its colours and a reset: 35 bytes.
TEST(NcursesTerminalOutputTest, AKeyTypedIntoAFieldCostsTheTerminalOnlyItsCharacter) {
    ::setenv("TERM", "xterm-256color", 1);
    const std::string typed = "AB1C2D";
    std::vector<std::string> sent;
    {
        PseudoTerminalStdio pty(80, 24);
        NcursesTerminal terminal;
        terminal.Attach();
        CellGrid grid(24, 20);
        CursorState cursor{true, false, 3, 7};
        terminal.Present(grid, cursor);
        pty.Received();
        for (char key : typed) {
            grid.Set(cursor.x, cursor.y,
                     Cell{static_cast<char32_t>(key), colours::kWhite, colours::kBlue});
            ++cursor.x;
            terminal.Present(grid, cursor);
            sent.push_back(pty.Received());
        }
        terminal.Detach();
    }
    // The first character brings its colours; every one after it is its own byte alone.
    ASSERT_EQ(sent.size(), typed.size());
    EXPECT_TRUE(sent[0].ends_with(typed.substr(0, 1))) << ::testing::PrintToString(sent[0]);
    for (std::size_t i = 1; i < typed.size(); ++i) {
        EXPECT_EQ(sent[i], typed.substr(i, 1)) << "key " << i;
    }
}

}  // namespace
}  // namespace tavix::console
