#include <gtest/gtest.h>

#include "key_handler_stub.hpp"
#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

std::string Lines(int count) {
    std::string items;
    for (int i = 1; i <= count; ++i) {
        items +=
            (i > 1 ? "#" : "") + std::string("line ") + std::to_string(i) + " of the readings list";
    }
    return items;
}

struct ListBoxTest : ::testing::Test {
    ScriptedConsole s;
    KeyHandlerStub handler;

    ListBoxTest() {
        s.console.SetKeyEvents(&handler);
        s.console.Put(DispatchId::kFrameStyle, 2);
        s.console.ListWidth = 21;
        s.console.ListRows = 17;
        s.console.ListIndex = 1;
        s.console.ListTitle = "Record in memoria";
        s.console.ListItems = Lines(50);
    }
};

TEST_F(ListBoxTest, FillsItsSizeWithTitleAndLinesAndRestoresTheScreenWhenLeft) {
    s.console.PrintAt(1, 20, "below the list");
    const CellGrid before = s.Cells();
    s.terminal.Then([&] {
        const CellGrid& screen = s.terminal.Screen();
        EXPECT_TRUE(RowsAre(screen, 3, 3, {"╔═Record in memoria═╗", "║line 1 of the readi║"}));
        EXPECT_TRUE(RowsAre(screen, 3, 19, {"╚═══════════════════╝"}));
        EXPECT_TRUE(RowsAre(screen, 4, 18, {"line 15 of the read"}));
        EXPECT_EQ(screen.At(24, 4).bg, s.console.ShadowCell().bg);
        EXPECT_EQ(screen.At(4, 20).bg, s.console.ShadowCell().bg);
        EXPECT_EQ(screen.At(4, 4).bg, s.console.SlotColour(DispatchId::kListBarBack));
    });
    s.terminal.Key(keys::kEsc);
    EXPECT_FALSE(s.console.ListBox(3, 3, 0));
    EXPECT_EQ(s.Cells(), before);
}

TEST_F(ListBoxTest, MovesAndScrollsThroughTheLines) {
    s.terminal.Keys({keys::kDown, keys::kDown, keys::kUp}).Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 4, 5, {"line 2 of the readi"}));
        EXPECT_EQ(s.terminal.Screen().At(4, 5).bg, s.console.SlotColour(DispatchId::kListBarBack));
    });
    s.terminal.Keys({keys::kPageDown, keys::kPageDown}).Then([&] {
        // Line 30 is highlighted and the window has followed it to the bottom row.
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 4, 18, {"line 30 of the read"}));
    });
    s.terminal.Keys({keys::kEnd}).Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 4, 18, {"line 50 of the read"}));
    });
    s.terminal.Keys({keys::kHome, keys::kEnter});
    EXPECT_TRUE(s.console.ListBox(3, 3, 0));
    EXPECT_EQ(s.console.ListIndex, 1);
}

TEST_F(ListBoxTest, LeftAndRightScrollLongLinesSideways) {
    s.terminal.Keys({keys::kRight, keys::kRight, keys::kRight, keys::kRight, keys::kRight})
        .Then([&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 4, 4, {"1 of the readings l"})); });
    s.terminal.Keys({keys::kLeft, keys::kLeft, keys::kLeft, keys::kLeft, keys::kLeft, keys::kLeft})
        .Then([&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 4, 4, {"line 1 of the readi"})); });
    s.terminal.Key(keys::kEsc);
    s.console.ListBox(3, 3, 0);
}

TEST_F(ListBoxTest, TheHandlerCanEndTheList) {
    handler.list = [](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key != keys::kEsc && key != keys::kUp && key != keys::kDown) {
            action = KeyAction::kEndNotAccepted;
        }
    };
    s.terminal.Keys({keys::kDown, keys::kEnter});
    EXPECT_FALSE(s.console.ListBox(3, 3, 0));
    EXPECT_EQ(s.console.LastKey(), keys::kEnter);
    EXPECT_EQ(s.console.ListIndex, 2);
}

TEST_F(ListBoxTest, AListTooLargeForTheConsoleIsShrunkToFit) {
    s.console.ListItems = "only line";
    s.console.ListWidth = 60;
    s.console.ListRows = 60;
    s.console.ListIndex = 7;  // out of range: the last line
    s.terminal.Then([&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 10, 19, {"╚════════════╝"})); });
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.ListBox(10, 10, 0));
    EXPECT_EQ(s.console.ListIndex, 1);
}

TEST_F(ListBoxTest, AnEmptyListCannotBeAccepted) {
    s.console.ListItems = "";
    s.terminal.Keys({keys::kEnter, keys::kDown, keys::kEsc});
    EXPECT_FALSE(s.console.ListBox(3, 3, 0));
}

TEST(TextBoxTest, CutsTheTextByPositionAndScrollsUntilEsc) {
    ScriptedConsole s;
    s.console.TextBoxText = "aaaabbbbccccdd";
    s.console.TextBoxWidth = 4;
    s.console.TextBoxHeight = 2;
    s.terminal.Then([&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 2, 2, {"aaaa", "bbbb"})); });
    s.terminal.Keys({keys::kDown, keys::kDown, keys::kDown, keys::kEnter, 'x'}).Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 2, 2, {"cccc", "dd  "}));
    });
    s.terminal.Keys({keys::kHome, keys::kEsc});
    s.console.TextBox(2, 2, 1);
    EXPECT_TRUE(RowsAre(s.Cells(), 2, 2, {"aaaa", "bbbb"}));  // stays drawn
    EXPECT_EQ(s.terminal.PendingKeys(), 0u);
}

}  // namespace
}  // namespace tavix::console
