// Keys typed ahead (a scanner's burst, fast typing) are read without a frame each: the
// console draws once no key is waiting, and that frame shows every key read before it.

#include <gtest/gtest.h>

#include <string>

#include "console/scripted_terminal.hpp"
#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

// Reads `count` keys, printing each in the next column of the top row.
void EchoKeys(TextConsole& console, int count) {
    for (int column = 1; column <= count; ++column) {
        const KeyCode key = console.GetKey();
        console.PrintAt(column, 1, std::string(1, static_cast<char>(key)));
    }
}

TEST(TypedAheadTest, KeysWaitingGetNoFrameAndTheNextFrameShowsThemAll) {
    ScriptedConsole s;
    s.terminal.TypeAhead().Text("ABC").Then([&] {
        EXPECT_EQ(s.terminal.Presents(), 1);
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 1, 1, {"ABC"}));
    });
    EchoKeys(s.console, 3);
    EXPECT_EQ(s.terminal.Presents(), 0);
    EXPECT_THROW(s.console.GetKey(), ScriptExhausted);
    EXPECT_EQ(s.terminal.Presents(), 1);
}

TEST(TypedAheadTest, AKeyTypedAloneIsShownBeforeTheNextIsAwaited) {
    ScriptedConsole s;
    s.terminal.Text("AB").Then([&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 1, 1, {"AB"})); });
    EchoKeys(s.console, 2);
    EXPECT_EQ(s.terminal.Presents(), 2);
    EXPECT_THROW(s.console.GetKey(), ScriptExhausted);
    EXPECT_EQ(s.terminal.Presents(), 3);
}

}  // namespace
}  // namespace tavix::console
