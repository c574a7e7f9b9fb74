#include "console/saved_console_scope.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

// What a screen drawn over another does: other colours and texts, cells written over.
void DrawOver(TextConsole& console) {
    console.TextColor = colours::kYellow;
    console.Shadow = false;
    console.MessageText = "over";
    console.Put(DispatchId::kPopupStyle, 2);
    console.PrintAt(1, 1, "XXXXXXXX");
    console.PrintAt(1, 5, "outside");
}

class SavedConsoleScopeTest : public ::testing::Test {
  protected:
    SavedConsoleScopeTest() {
        s.console.TextColor = colours::kWhite;
        s.console.MessageText = "caller";
        s.console.PrintAt(1, 1, "caller");
        settings = s.console.SaveState();
    }

    ScriptedConsole s;
    std::string settings;
};

TEST_F(SavedConsoleScopeTest, SettingsAndTheAreaComeBackHoweverTheScopeIsLeft) {
    {
        const SavedConsoleScope saved(s.console, Rect{1, 1, 10, 2});
        DrawOver(s.console);
    }
    EXPECT_EQ(s.console.SaveState(), settings);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"caller    "}));
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 5, {"outside"})) << "only the saved area is put back";

    EXPECT_THROW(
        {
            const SavedConsoleScope saved(s.console, Rect{1, 1, 10, 2});
            DrawOver(s.console);
            throw std::runtime_error("the screen failed half way");
        },
        std::runtime_error);
    EXPECT_EQ(s.console.SaveState(), settings);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"caller    "}));

    // The end of the program is no std::exception, and passes every guarded step.
    EXPECT_THROW(
        {
            const SavedConsoleScope saved(s.console);
            DrawOver(s.console);
            throw TerminationRequested{15};
        },
        TerminationRequested);
    EXPECT_EQ(s.console.SaveState(), settings);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"XXXXXXXX"})) << "no area was saved";
}

TEST_F(SavedConsoleScopeTest, TheWholeConsoleComesBackWithItsSizeAndOnlyOnce) {
    const CellGrid cells = s.Cells();
    {
        SavedConsoleScope as_found(s.console);
        as_found.KeepWholeConsole();
        s.console.Resize(10, 4);
        DrawOver(s.console);
        s.console.Clear();

        as_found.Restore();
        EXPECT_EQ(s.console.Columns(), 24);
        EXPECT_EQ(s.console.Rows(), 20);
        EXPECT_TRUE(s.Cells() == cells);
        EXPECT_EQ(s.console.SaveState(), settings);

        // What comes after the hand-back is not undone when the scope ends.
        s.console.TextColor = colours::kRed;
        s.console.PrintAt(1, 1, "after");
    }
    EXPECT_EQ(s.console.TextColor, colours::kRed);
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"after"}));
}

}  // namespace
}  // namespace tavix::console
