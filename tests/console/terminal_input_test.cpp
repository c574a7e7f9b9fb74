#include "console/terminal_input.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <string>
#include <thread>

#include "console/terminal.hpp"

namespace tavix::console {
namespace {

using namespace std::chrono_literals;

// A pipe stands in for the terminal: the test types into its write end.
struct Keyboard {
    Keyboard() {
        if (::pipe(fds) != 0) {
            throw std::runtime_error("no pipe for the keyboard");
        }
    }
    ~Keyboard() {
        Close();
        ::close(fds[0]);
    }
    void Close() {
        if (fds[1] >= 0) {
            ::close(fds[1]);
            fds[1] = -1;
        }
    }
    int fds[2] = {-1, -1};
};

class TerminalInputTest : public ::testing::Test {
  protected:
    void Type(const std::string& bytes) {
        ASSERT_EQ(::write(keyboard_.fds[1], bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    // Types after a pause far longer than the sequence wait, from another thread.
    std::jthread TypeLater(std::string bytes) {
        return std::jthread([this, bytes] {
            std::this_thread::sleep_for(300ms);
            Type(bytes);
        });
    }
    void CloseKeyboard() { keyboard_.Close(); }

    Keyboard keyboard_;
    int resizes_ = 0;
    TerminalInput input_{keyboard_.fds[0], {.resized = [this] { ++resizes_; }}};
};

TEST_F(TerminalInputTest, KeysTypedTogetherComeOneByOne) {
    Type("a\x1b[A\xC3\xA8\r");
    EXPECT_EQ(input_.ReadKey(), 'a');
    EXPECT_EQ(input_.ReadKey(), keys::kUp);
    EXPECT_EQ(input_.ReadKey(), 232);
    EXPECT_EQ(input_.ReadKey(), keys::kEnter);
}

TEST_F(TerminalInputTest, ALoneEscComesAfterTheShortWait) {
    Type("\x1b");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(input_.ReadKey(), keys::kEsc);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, TerminalInput::kSequenceWait);
    EXPECT_LT(waited, 1s);
}

TEST_F(TerminalInputTest, EscThenALetterAfterAPauseAreTwoKeys) {
    Type("\x1b");
    auto typist = TypeLater("[");
    EXPECT_EQ(input_.ReadKey(), keys::kEsc);
    EXPECT_EQ(input_.ReadKey(), '[');
}

TEST_F(TerminalInputTest, ASequenceCutShortIsDroppedAndTheNextKeyComes) {
    Type("\x1b[1;5");
    auto typist = TypeLater("x");
    EXPECT_EQ(input_.ReadKey(), 'x');
}

TEST(TerminalInputSplit, ASequenceSplitAcrossReadsIsOneKey) {
    Keyboard keyboard;
    // A long wait makes the outcome independent of how busy the machine is.
    TerminalInput input(keyboard.fds[0], {}, 5s);
    ASSERT_EQ(::write(keyboard.fds[1], "\x1b[1;", 4), 4);
    std::jthread typist([&] {
        std::this_thread::sleep_for(50ms);
        ASSERT_EQ(::write(keyboard.fds[1], "5A", 2), 2);
    });
    EXPECT_EQ(input.ReadKey(), keys::kCtrlUp);
}

TEST_F(TerminalInputTest, KeyWaitingTellsWhetherKeysAreTypedAheadWithoutWaiting) {
    EXPECT_FALSE(input_.KeyWaiting());
    Type("ab");
    EXPECT_TRUE(input_.KeyWaiting());
    EXPECT_EQ(input_.ReadKey(), 'a');
    EXPECT_TRUE(input_.KeyWaiting());
    EXPECT_EQ(input_.ReadKey(), 'b');
    EXPECT_FALSE(input_.KeyWaiting());
}

bool BytesLeftIn(int fd) {
    pollfd readable{fd, POLLIN, 0};
    return ::poll(&readable, 1, 0) == 1;
}

// A scanner's burst is read in one call, not a small piece per key.
TEST_F(TerminalInputTest, EverythingWaitingIsReadAtOnce) {
    const std::string burst(3000, 'x');
    Type(burst);
    EXPECT_EQ(input_.ReadKey(), 'x');
    EXPECT_FALSE(BytesLeftIn(keyboard_.fds[0]));
    for (std::size_t i = 1; i < burst.size(); ++i) {
        ASSERT_EQ(input_.ReadKey(), 'x');
    }
    EXPECT_FALSE(input_.KeyWaiting());
}

TEST_F(TerminalInputTest, DiscardedTypeAheadIsNeverRead) {
    Type("abc\x1b[");
    input_.DiscardTypeAhead();
    Type("d");
    EXPECT_EQ(input_.ReadKey(), 'd');
}

TEST_F(TerminalInputTest, TheEndOfInputEndsTheProgram) {
    Type("a");
    CloseKeyboard();
    EXPECT_EQ(input_.ReadKey(), 'a');
    try {
        input_.ReadKey();
        FAIL() << "ReadKey returned at the end of input";
    } catch (const TerminationRequested& request) {
        EXPECT_EQ(request.signal, 0);
    }
}

class TerminalInputSignalTest : public TerminalInputTest,
                                public ::testing::WithParamInterface<int> {};

TEST_P(TerminalInputSignalTest, ATerminationSignalEndsTheWaitForAKey) {
    input_.Start();
    std::raise(GetParam());
    try {
        input_.ReadKey();
        FAIL() << "ReadKey returned after signal " << GetParam();
    } catch (const TerminationRequested& request) {
        EXPECT_EQ(request.signal, GetParam());
    }
    input_.Stop();
}

INSTANTIATE_TEST_SUITE_P(EachSignal, TerminalInputSignalTest,
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGQUIT));

TEST_F(TerminalInputTest, ASignalDuringTheWaitIsNoticed) {
    input_.Start();
    std::jthread sender([] {
        std::this_thread::sleep_for(100ms);
        std::raise(SIGTERM);
    });
    EXPECT_THROW(input_.ReadKey(), TerminationRequested);
    sender.join();
    input_.Stop();
}

// Two resizes before the program looks are followed once, at the size the terminal has then.
TEST_F(TerminalInputTest, AResizeIsHandledAndTheWaitGoesOn) {
    input_.Start();
    std::raise(SIGWINCH);
    std::raise(SIGWINCH);
    Type("z");
    EXPECT_EQ(input_.ReadKey(), 'z');
    EXPECT_EQ(resizes_, 1);
    std::raise(SIGWINCH);
    Type("y");
    EXPECT_EQ(input_.ReadKey(), 'y');
    EXPECT_EQ(resizes_, 2);
    input_.Stop();
}

TEST_F(TerminalInputTest, StopPutsBackTheHandlersThatWereThere) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &before), 0);
    input_.Start();
    input_.Stop();
    struct sigaction after {};
    ASSERT_EQ(::sigaction(SIGHUP, &before, &after), 0);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
}

}  // namespace
}  // namespace tavix::console
