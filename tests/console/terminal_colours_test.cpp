#include "console/terminal_colours.hpp"

#include <gtest/gtest.h>

#include <array>

namespace tavix::console {
namespace {

constexpr int kNone = TerminalLook::kNoColour;

TEST(TerminalColoursSixteen, EveryPcColourHasItsTerminalNumber) {
    // PC order: black blue green cyan red magenta brown light-gray, then the bright ones.
    constexpr std::array<int, 16> kTerminalNumber = {0, 4,  2,  6,  1, 5,  3,  7,
                                                     8, 12, 10, 14, 9, 13, 11, 15};
    for (int colour = 0; colour < 16; ++colour) {
        SCOPED_TRACE(colour);
        const TerminalLook look = LookOnTerminal(colour, colour, 256);
        EXPECT_EQ(look, (TerminalLook{kTerminalNumber[colour], kTerminalNumber[colour]}));
    }
}

TEST(TerminalColoursSixteen, NumbersBeyondThePaletteAreFolded) {
    EXPECT_EQ(LookOnTerminal(14 + 16, 1 + 32, 16), LookOnTerminal(14, 1, 16));
    EXPECT_EQ(LookOnTerminal(-2, 0, 16), LookOnTerminal(14, 0, 16));
}

TEST(TerminalColoursEight, BrightTextIsBoldAndBrightBackgroundsAreDark) {
    EXPECT_EQ(LookOnTerminal(14, 1, 8), (TerminalLook{3, 4, true, false}));   // yellow on blue
    EXPECT_EQ(LookOnTerminal(6, 1, 8), (TerminalLook{3, 4, false, false}));   // brown on blue
    EXPECT_EQ(LookOnTerminal(15, 12, 8), (TerminalLook{7, 1, true, false}));  // white on light red
    EXPECT_EQ(LookOnTerminal(0, 11, 8), (TerminalLook{0, 6, false, false}));  // black on light cyan
}

TEST(TerminalColoursNone, ReverseVideoWhereTheBackgroundIsLighter) {
    EXPECT_EQ(LookOnTerminal(0, 3, 0), (TerminalLook{kNone, kNone, false, true}));  // black on cyan
    EXPECT_EQ(LookOnTerminal(14, 1, 0),
              (TerminalLook{kNone, kNone, false, false}));  // yellow on blue
    EXPECT_EQ(LookOnTerminal(1, 14, 2),
              (TerminalLook{kNone, kNone, false, true}));  // blue on yellow
    EXPECT_EQ(LookOnTerminal(7, 7, 0), (TerminalLook{kNone, kNone, false, false}));
}

}  // namespace
}  // namespace tavix::console
