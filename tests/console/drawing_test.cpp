#include <gtest/gtest.h>

#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

TEST(DrawingTest, PrintAtWritesInTheTextColoursAndClipsAtTheEdge) {
    ScriptedConsole s;
    s.console.TextColor = 14;
    s.console.BackColor = 1;
    s.console.PrintAt(20, 2, "abcdefgh");
    EXPECT_TRUE(RowsAre(s.Cells(), 20, 2, {"abcde"}));
    EXPECT_EQ(s.Cells().At(24, 2), (Cell{U'e', 14, 1}));
    s.console.PrintAt(0, 3, "xyz");
    s.console.PrintAt(5, 0, "hidden");
    s.console.PrintAt(5, 21, "hidden");
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 3, {"yz "}));
}

TEST(DrawingTest, SingleByteTextShowsAsThePcAndLatinGlyphs) {
    ScriptedConsole s;
    s.console.PrintAt(1, 1, std::string("\x10 \xE8\xE0\x80\x01\x7F") + '\0');
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"► èà€☺⌂ "}));
}

TEST(DrawingTest, PrintAdvancesTheCursorPosition) {
    ScriptedConsole s;
    s.console.CursorX = 3;
    s.console.CursorY = 4;
    s.console.Print("ab");
    s.console.Print("cd");
    EXPECT_TRUE(RowsAre(s.Cells(), 3, 4, {"abcd"}));
    EXPECT_EQ(s.console.CursorX, 7);
}

TEST(DrawingTest, ClearAreaFillsTheClippedRectangle) {
    ScriptedConsole s;
    s.console.PrintAt(1, 1, "xxxxxxxxxxxxxxxxxxxxxxxx");
    s.console.BackColor = 1;
    s.console.ClearArea(22, 0, 40, 1);
    s.console.ClearArea(5, 5, 2, 2);  // corners the wrong way round: nothing to clear
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"xxxxxxxxxxxxxxxxxxxxx   "}));
    EXPECT_EQ(s.Cells().At(23, 1).bg, 1);
}

TEST(DrawingTest, FrameWithShadowDarkensTheCellsRightAndBelow) {
    ScriptedConsole s;
    s.console.BackColor = 1;
    s.console.PrintAt(1, 1, "........");
    s.console.PrintAt(1, 2, "........");
    s.console.PrintAt(1, 3, "........");
    s.console.PrintAt(1, 4, "........");
    s.console.Put(DispatchId::kFrameStyle, 2);
    s.console.Shadow = true;
    s.console.DrawFrame(1, 1, 4, 3);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"╔══╗....", "║  ║....", "╚══╝....", "........"}));
    const Cell shadow = s.console.ShadowCell();
    EXPECT_EQ(s.Cells().At(5, 2).bg, shadow.bg);
    EXPECT_EQ(s.Cells().At(5, 4).bg, shadow.bg);
    EXPECT_EQ(s.Cells().At(2, 4).bg, shadow.bg);
    EXPECT_EQ(s.Cells().At(5, 4).glyph, U'.');
    EXPECT_NE(s.Cells().At(5, 1).bg, shadow.bg);
    EXPECT_NE(s.Cells().At(1, 4).bg, shadow.bg);
}

TEST(DrawingTest, FramesWithoutShadowAndOfSingleLines) {
    ScriptedConsole s;
    s.console.Shadow = false;
    s.console.DrawFrame(2, 2, 4, 3);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"     ", " ┌─┐ ", " └─┘ ", "     "}));
    s.console.DrawFrame(20, 18, 30, 30);  // mostly outside: clipped, no crash
    EXPECT_TRUE(RowsAre(s.Cells(), 20, 18, {"┌────", "│    ", "│    "}));
}

TEST(DrawingTest, SavedAreaComesBackCellForCell) {
    ScriptedConsole s;
    s.console.TextColor = 14;
    s.console.BackColor = 1;
    s.console.PrintAt(2, 2, "abc");
    const CellGrid before = s.Cells();
    const std::string saved = s.console.SaveArea(1, 1, 24, 20);
    s.console.Clear();
    s.console.RestoreArea(1, 1, 24, 20, saved);
    EXPECT_EQ(s.Cells(), before);
}

TEST(DrawingTest, RestoreAreaPutsCellsOnlyWithinTheGivenRectangle) {
    ScriptedConsole s;
    s.console.PrintAt(1, 1, "abcd");
    const std::string saved = s.console.SaveArea(-5, 1, 4, 1);  // clipped to (1,1)-(4,1)
    s.console.PrintAt(1, 1, "wxyz");
    s.console.RestoreArea(3, 1, 4, 1, saved);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"wxcd"}));
}

TEST(DrawingTest, ADamagedSavedAreaIsRefusedWithoutTouchingTheScreen) {
    ScriptedConsole s;
    s.console.PrintAt(1, 1, "abcd");
    const std::string saved = s.console.SaveArea(1, 1, 4, 1);
    s.console.PrintAt(1, 1, "wxyz");
    EXPECT_THROW(s.console.RestoreArea(1, 1, 4, 1, saved.substr(0, saved.size() - 4)),
                 std::invalid_argument);
    EXPECT_THROW(s.console.RestoreArea(1, 1, 4, 1, "console-area-1;1;1;9999;9999;"),
                 std::invalid_argument);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"wxyz"}));
}

TEST(DrawingTest, ResizeKeepsWhatStillFitsAndRefusesImpossibleSizes) {
    ScriptedConsole s;
    s.console.PrintAt(1, 1, "abcdef");
    s.console.Resize(3, 2);
    EXPECT_EQ(s.console.Columns(), 3);
    EXPECT_EQ(s.console.Rows(), 2);
    s.console.Resize(24, 20);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"abc   "}));
    EXPECT_THROW(s.console.Resize(0, 20), std::invalid_argument);
    EXPECT_THROW(s.console.Resize(24, 100000), std::invalid_argument);
}

TEST(DrawingTest, AttachSizesTheConsoleLikeTheTerminalAndDetachGivesItBack) {
    auto owned = std::make_unique<ScriptedTerminal>(80, 25);
    ScriptedTerminal& terminal = *owned;
    TextConsole console(std::move(owned));
    console.Attach(-1);
    EXPECT_EQ(console.Columns(), 80);
    EXPECT_EQ(console.Rows(), 25);
    console.Title("Titolo");
    EXPECT_EQ(terminal.Title(), "Titolo");
    console.Detach();
    console.Detach();
    EXPECT_EQ(terminal.DetachCount(), 1);
}

TEST(DrawingTest, TheScreenIsShownBeforeEveryKeyWithTheCursorHiddenOutsideTheEditor) {
    ScriptedConsole s;
    s.terminal.Key('x');
    s.console.PrintAt(1, 1, "shown");
    EXPECT_EQ(s.console.GetKey(), 'x');
    EXPECT_EQ(s.console.LastKey(), 'x');
    EXPECT_TRUE(RowsAre(s.terminal.Screen(), 1, 1, {"shown"}));
    EXPECT_FALSE(s.terminal.Cursor().visible);
}

}  // namespace
}  // namespace tavix::console
