#include <gtest/gtest.h>

#include <stdexcept>

#include "console/key_handler_scope.hpp"
#include "key_handler_stub.hpp"
#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

// A handler runs a whole screen (menu, editor, dialog) from inside a running line editor, the
// way the acquisition's F3 runs the archive browser; the interrupted editor then ends as the
// action says, with its own field intact.
TEST(NestingTest, AScreenRunFromAKeyEventLeavesTheInterruptedEditorIntact) {
    ScriptedConsole s;
    KeyHandlerStub handler;
    s.console.SetKeyEvents(&handler);
    s.console.TextColor = 14;
    s.console.BackColor = 1;
    s.console.Clear();
    s.console.PrintAt(3, 6, "Codice:");

    bool nested_menu_accepted = false;
    std::string nested_value;
    handler.field = [&](KeyCode& key, KeyAction& action, std::int32_t id) {
        if (id != 1 || key != keys::kF3) {
            return;
        }
        const std::string state = s.console.SaveState();
        const std::string area = s.console.SaveArea(2, 2, 22, 18);
        s.console.ClearArea(2, 2, 22, 18);
        s.console.MenuItems = "~Uno#~Due";
        s.console.MenuIndex = 1;
        nested_menu_accepted = s.console.Menu(3, 3, 1);
        s.console.FieldValue = "9";
        s.console.FieldLength = 3;
        s.console.FieldWidth = 3;
        s.console.FieldPicture = "N";
        s.console.EditField(3, 8, 0);
        nested_value = s.console.FieldValue;
        s.console.MessageText = "Cancello il record?";
        s.console.MessageButtons = "Ok#Annulla";
        s.console.MessageBox(0);
        s.console.RestoreArea(2, 2, 22, 18, area);
        s.console.RestoreState(state);
        action = KeyAction::kEndNotAccepted;
    };

    s.console.FieldValue = "";
    s.console.FieldLength = 18;
    s.console.FieldWidth = 18;
    s.console.FieldPicture = "!";
    s.terminal.Text("abc");
    s.terminal.Key(keys::kF3);
    s.terminal.Keys({'d', '4', '2', keys::kEnter, keys::kEnter});

    EXPECT_FALSE(s.console.EditField(3, 7, 1));
    EXPECT_TRUE(nested_menu_accepted);
    EXPECT_EQ(nested_value, "42");
    EXPECT_EQ(s.console.FieldValue, "ABC");
    EXPECT_EQ(s.console.FieldLength, 18);
    EXPECT_EQ(s.console.LastKey(), keys::kF3);
    EXPECT_TRUE(RowsAre(s.Cells(), 3, 6, {"Codice:", "ABC               "}));
    EXPECT_EQ(s.terminal.PendingKeys(), 0u);
}

TEST(NestingTest, TheNestedScreenDoesNotShowTheOuterEditorsCursor) {
    ScriptedConsole s;
    KeyHandlerStub handler;
    s.console.SetKeyEvents(&handler);
    bool cursor_seen_in_menu = true;
    handler.field = [&](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key == keys::kF5) {
            s.console.MenuItems = "~Uno";
            s.terminal.Then([&] { cursor_seen_in_menu = s.terminal.Cursor().visible; });
            s.terminal.Key(keys::kEsc);
            s.console.Menu(3, 3, 1);
            action = KeyAction::kEndNotAccepted;
        }
    };
    s.console.FieldLength = 5;
    s.console.FieldWidth = 5;
    s.terminal.Key(keys::kF5);
    s.console.EditField(3, 7, 1);
    EXPECT_FALSE(cursor_seen_in_menu);
}

// Keys go to the screen that asked for them: a list run from inside an editor's handler, by a
// screen that installs no handler of its own, must not receive the editor's keys.
TEST(NestingTest, AWidgetRunFromAHandlerGetsOnlyTheHandlerItsScreenInstalls) {
    ScriptedConsole s;
    KeyHandlerStub editor_keys;
    const KeyHandlerScope editor_scope(s.console, editor_keys);
    editor_keys.field = [&](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key == keys::kF5) {
            s.console.ListItems = "uno#due";
            s.terminal.Keys({keys::kDown, keys::kEsc});
            s.console.ListBox(3, 3, 0);
            action = KeyAction::kEndNotAccepted;
        }
    };
    s.console.FieldLength = 5;
    s.console.FieldWidth = 5;
    s.terminal.Key(keys::kF5);
    s.console.EditField(3, 7, 1);
    ASSERT_EQ(editor_keys.seen.size(), 1u);
    EXPECT_EQ(editor_keys.seen[0].first, keys::kF5);
    EXPECT_EQ(s.console.Events(), &editor_keys);
}

// A nested screen that fails half way leaves the outer screen's handler installed, so the
// interrupted editor goes on receiving its own keys.
TEST(NestingTest, AnExceptionInANestedScreenPutsTheOuterHandlerBack) {
    ScriptedConsole s;
    KeyHandlerStub editor_keys;
    KeyHandlerStub menu_keys;
    const KeyHandlerScope editor_scope(s.console, editor_keys);
    bool failed = false;
    editor_keys.field = [&](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key != keys::kF3) {
            return;
        }
        try {
            const KeyHandlerScope menu_scope(s.console, menu_keys);
            menu_keys.menu = [](KeyCode&, KeyAction&, std::int32_t) {
                throw std::runtime_error("the nested screen failed");
            };
            s.console.MenuItems = "~Uno";
            s.console.Menu(3, 3, 1);
        } catch (const std::runtime_error&) {
            failed = true;
        }
        action = KeyAction::kConsole;
    };
    s.console.FieldLength = 5;
    s.console.FieldWidth = 5;
    s.terminal.Keys({keys::kF3, keys::kDown, 'a', keys::kEnter});
    EXPECT_TRUE(s.console.EditField(3, 7, 1));
    EXPECT_TRUE(failed);
    EXPECT_EQ(menu_keys.seen.size(), 1u);
    // F3, then the editor's own 'a' and Enter after the failure.
    EXPECT_EQ(editor_keys.seen.size(), 3u);
    EXPECT_EQ(s.console.FieldValue, "a");
    EXPECT_EQ(s.console.Events(), &editor_keys);
}

}  // namespace
}  // namespace tavix::console
