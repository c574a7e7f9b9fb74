// The real terminal backend refuses a terminal it cannot draw on before it changes anything:
// it says why, writes nothing and leaves the terminal's modes as they were.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "console/ncurses_terminal.hpp"
#include "pseudo_terminal_stdio.hpp"

namespace tavix::console {
namespace {

// What an attempt to attach left behind. Gathered while the pseudo-terminal stands in for
// standard output, and asserted once it is gone.
struct Attempt {
    std::optional<std::string> refusal;  // the message, when Attach threw
    std::string written;                 // what reached the terminal
    bool modes_kept = false;
};

// Sets TERM to `term` (unset when null), lets `arrange` replace what it wants of standard
// input or output, and attaches.
Attempt AttachWith(
    const char* term, const std::function<void()>& arrange = [] {}) {
    const char* term_before = std::getenv("TERM");
    const std::optional<std::string> saved_term =
        term_before != nullptr ? std::optional<std::string>(term_before) : std::nullopt;
    Attempt attempt;
    {
        PseudoTerminalStdio pty(80, 24);
        const std::string modes = pty.Modes();
        if (term != nullptr) {
            ::setenv("TERM", term, 1);
        } else {
            ::unsetenv("TERM");
        }
        const int input = ::dup(STDIN_FILENO);
        const int output = ::dup(STDOUT_FILENO);
        arrange();
        NcursesTerminal terminal;
        try {
            terminal.Attach();
            terminal.Detach();
        } catch (const std::runtime_error& refusal) {
            attempt.refusal = refusal.what();
        }
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::close(input);
        ::close(output);
        attempt.written = pty.Received();
        attempt.modes_kept = pty.Modes() == modes;
    }
    if (saved_term) {
        ::setenv("TERM", saved_term->c_str(), 1);
    } else {
        ::unsetenv("TERM");
    }
    return attempt;
}

void ReplaceWithNull(int fd, int flags) {
    const int null = ::open("/dev/null", flags);
    ::dup2(null, fd);
    ::close(null);
}

void ExpectRefused(const Attempt& attempt, const std::string& reason) {
    ASSERT_TRUE(attempt.refusal.has_value())
        << "attached, writing " << ::testing::PrintToString(attempt.written);
    EXPECT_NE(attempt.refusal->find(reason), std::string::npos) << *attempt.refusal;
    EXPECT_EQ(attempt.written, "");
    EXPECT_TRUE(attempt.modes_kept);
}

TEST(NcursesTerminalAttachTest, RefusesATerminalTypeThatCannotPlaceItsCursor) {
    ExpectRefused(AttachWith("dumb"), "TERM=dumb");
}

TEST(NcursesTerminalAttachTest, RefusesATerminalTypeTerminfoDoesNotKnow) {
    ExpectRefused(AttachWith("no-such-terminal"), "unknown terminal type TERM=no-such-terminal");
}

TEST(NcursesTerminalAttachTest, RefusesWithoutTerm) {
    ExpectRefused(AttachWith(nullptr), "TERM is not set");
    ExpectRefused(AttachWith(""), "TERM is not set");
}

TEST(NcursesTerminalAttachTest, RefusesWhenInputOrOutputIsNoTerminal) {
    ExpectRefused(AttachWith("xterm-256color", [] { ReplaceWithNull(STDIN_FILENO, O_RDONLY); }),
                  "standard input is not a terminal");
    ExpectRefused(AttachWith("xterm-256color", [] { ReplaceWithNull(STDOUT_FILENO, O_WRONLY); }),
                  "standard output is not a terminal");
}

TEST(NcursesTerminalAttachTest, TakesAUsableTerminal) {
    const Attempt attempt = AttachWith("xterm-256color");
    EXPECT_FALSE(attempt.refusal.has_value()) << *attempt.refusal;
    EXPECT_NE(attempt.written, "");
    EXPECT_TRUE(attempt.modes_kept) << "the modes come back when it lets go";
}

}  // namespace
}  // namespace tavix::console
