#include <gtest/gtest.h>

#include "key_handler_stub.hpp"
#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

struct EditFieldTest : ::testing::Test {
    ScriptedConsole s;
    KeyHandlerStub handler;

    void Prepare(const std::string& value, int length, int width, const std::string& picture) {
        s.console.SetKeyEvents(&handler);
        s.console.FieldValue = value;
        s.console.FieldLength = length;
        s.console.FieldWidth = width;
        s.console.FieldPicture = picture;
    }
};

TEST_F(EditFieldTest, TypingOverThePrefilledValueAndEnterConfirms) {
    Prepare("1", 6, 6, "N");
    s.terminal.Keys({'1', '2', keys::kEnter});
    EXPECT_TRUE(s.console.EditField(3, 10, 2));
    EXPECT_EQ(s.console.FieldValue, "12");
    EXPECT_TRUE(RowsAre(s.Cells(), 3, 10, {"12    "}));
}

TEST_F(EditFieldTest, EscAbandonsButFieldValueHoldsWhatWasTyped) {
    Prepare("1", 5, 5, "N");
    s.terminal.Keys({'3', keys::kEsc});
    EXPECT_FALSE(s.console.EditField(10, 8, 0));
    EXPECT_EQ(s.console.FieldValue, "3");
}

TEST_F(EditFieldTest, UnusedCellsShowBlanksInTheEditorColours) {
    Prepare("AB", 18, 18, "!");
    s.console.Put(DispatchId::kEditorText, 15);
    s.console.Put(DispatchId::kEditorBack, 0);
    s.terminal.Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 3, 7, {"AB                "}));
        EXPECT_EQ(s.terminal.Screen().At(20, 7), (Cell{U' ', 15, 0}));
        EXPECT_EQ(s.terminal.Screen().At(21, 7).bg, s.console.BackColor);
        EXPECT_TRUE(s.terminal.Cursor().visible);
        EXPECT_EQ(s.terminal.Cursor().x, 3);
        EXPECT_EQ(s.terminal.Cursor().y, 7);
    });
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.EditField(3, 7, 1));
    s.console.Activate();
    EXPECT_FALSE(s.terminal.Cursor().visible);
}

TEST_F(EditFieldTest, ALongTextScrollsSidewaysWithTheCursor) {
    Prepare("", 10, 4, "");
    s.terminal.Text("abcdefg").Then([&] {
        // The cursor stands just right of the last character, so that cell is shown too.
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 1, 1, {"efg "}));
        EXPECT_EQ(s.terminal.Cursor().x, 4);
    });
    s.terminal.Keys({keys::kHome, keys::kEnter});
    EXPECT_TRUE(s.console.EditField(1, 1, 0));
    EXPECT_TRUE(RowsAre(s.Cells(), 1, 1, {"abcd"}));
    EXPECT_EQ(s.console.FieldValue, "abcdefg");
}

// A scanned code as long as the field stays whole in view; only a longer text scrolls.
TEST_F(EditFieldTest, ATextThatFillsTheFieldStaysWholeWithTheCursorOnItsLastCharacter) {
    Prepare("", 18, 18, "!");
    s.terminal.Text("ABCDEFGHIJKLMNOPQR").Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 3, 7, {"ABCDEFGHIJKLMNOPQR"}));
        EXPECT_EQ(s.terminal.Cursor().x, 20);
    });
    s.terminal.Keys({keys::kBackspace}).Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 3, 7, {"ABCDEFGHIJKLMNOPQ "}));
        EXPECT_EQ(s.terminal.Cursor().x, 20);
    });
    s.terminal.Keys({'Z', keys::kEnter});
    EXPECT_TRUE(s.console.EditField(3, 7, 1));
    EXPECT_EQ(s.console.FieldValue, "ABCDEFGHIJKLMNOPQZ");
    EXPECT_TRUE(RowsAre(s.Cells(), 3, 7, {"ABCDEFGHIJKLMNOPQZ"}));
}

TEST_F(EditFieldTest, AScrolledTextThatShrinksToFitIsShownWholeAgain) {
    Prepare("", 10, 4, "");
    s.terminal.Text("abcdef").Then(
        [&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 1, 1, {"def "})); });
    s.terminal.Keys({keys::kBackspace, keys::kBackspace}).Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 1, 1, {"abcd"}));
        EXPECT_EQ(s.terminal.Cursor().x, 4);
    });
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.EditField(1, 1, 0));
    EXPECT_EQ(s.console.FieldValue, "abcd");
}

TEST_F(EditFieldTest, EveryKeyGoesToTheHandlerWithTheFieldIdentifier) {
    Prepare("", 5, 5, "");
    s.terminal.Keys({'a', keys::kEnter});
    s.console.EditField(1, 1, 7);
    ASSERT_EQ(handler.seen.size(), 2u);
    EXPECT_EQ(handler.seen[0], std::make_pair(KeyCode{'a'}, std::int32_t{7}));
    EXPECT_EQ(handler.seen[1], std::make_pair(keys::kEnter, std::int32_t{7}));
}

TEST_F(EditFieldTest, HandlerActionsDecideHowTheFieldGoesOn) {
    Prepare("1", 6, 6, "N");
    handler.field = [&](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key == keys::kF1) {
            s.console.FieldValue.clear();
            action = KeyAction::kValueChanged;
        } else if (key == keys::kDown) {
            key = keys::kEnter;  // replaced key, handled by the console
        }
    };
    s.terminal.Keys({keys::kF1, '4', keys::kDown});
    EXPECT_TRUE(s.console.EditField(3, 10, 2));
    EXPECT_EQ(s.console.FieldValue, "4");

    handler.field = [](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key == keys::kUp) {
            action = KeyAction::kAccept;
        }
    };
    s.terminal.Keys({'7', keys::kUp});
    EXPECT_TRUE(s.console.EditField(3, 10, 2));
    EXPECT_EQ(s.console.FieldValue, "7");

    handler.field = [](KeyCode& key, KeyAction& action, std::int32_t) {
        if (key == keys::kF3) {
            action = KeyAction::kEndNotAccepted;
        }
    };
    s.terminal.Keys({'8', keys::kF3});
    EXPECT_FALSE(s.console.EditField(3, 10, 2));
    EXPECT_EQ(s.console.LastKey(), keys::kF3);
    EXPECT_EQ(s.console.FieldValue, "8");
}

TEST_F(EditFieldTest, TheHandlerReadsTheTextAsItStands) {
    Prepare("", 5, 5, "");
    std::string seen_value;
    handler.field = [&](KeyCode& key, KeyAction&, std::int32_t) {
        if (key == keys::kF5) {
            seen_value = s.console.FieldValue;
        }
    };
    s.terminal.Keys({'a', 'b', keys::kF5, keys::kEsc});
    s.console.EditField(1, 1, 0);
    EXPECT_EQ(seen_value, "ab");
}

TEST_F(EditFieldTest, DateFieldReturnsItsFixedForm) {
    Prepare("06/12/2026", 10, 10, "D");
    s.terminal.Text("24122026").Key(keys::kEnter);
    EXPECT_TRUE(s.console.EditField(3, 10, 0));
    EXPECT_EQ(s.console.FieldValue, "24/12/2026");
}

TEST_F(EditFieldTest, ZeroSizedFieldStillEndsOnEnter) {
    Prepare("abc", 0, 0, "");
    s.terminal.Keys({'x', keys::kEnter});
    EXPECT_TRUE(s.console.EditField(1, 1, 0));
    EXPECT_EQ(s.console.FieldValue, "");
}

}  // namespace
}  // namespace tavix::console
