#include <gtest/gtest.h>

#include "key_handler_stub.hpp"
#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

const std::string kMainMenu =
    "~Inizia|Acquisizione cod./qt#| #~Codici dei tasti|Mostra codici tasti#| #"
    "C~olori|Mostra colori#| #~Esci|Uscita dal programma";

struct MenuTest : ::testing::Test {
    ScriptedConsole s;
    KeyHandlerStub handler;

    MenuTest() {
        s.console.SetKeyEvents(&handler);
        s.console.MenuItems = kMainMenu;
        s.console.MenuIndex = 1;
    }
};

TEST_F(MenuTest, ShowsEveryEntryOnItsOwnRowAndHighlightsTheChosenOne) {
    s.terminal.Then([&] {
        EXPECT_TRUE(
            RowsAre(s.terminal.Screen(), 3, 3,
                    {"Inizia          ", "                ", "Codici dei tasti", "                ",
                     "Colori          ", "                ", "Esci            "}));
        const Cell bar = s.console.SlotCell(DispatchId::kMenuBarText, DispatchId::kMenuBarBack);
        EXPECT_EQ(s.terminal.Screen().At(4, 3).bg, bar.bg);
        EXPECT_EQ(s.terminal.Screen().At(18, 3).bg, bar.bg);
        EXPECT_NE(s.terminal.Screen().At(4, 5).bg, bar.bg);
        // Hot letters in their own colour: I, C and the o of Colori.
        const Colour hot = s.console.SlotColour(DispatchId::kMenuHotLetter);
        EXPECT_EQ(s.terminal.Screen().At(3, 3).fg, hot);
        EXPECT_EQ(s.terminal.Screen().At(4, 7).fg, hot);
        EXPECT_NE(s.terminal.Screen().At(3, 7).fg, hot);
    });
    s.terminal.Key(keys::kEsc);
    EXPECT_FALSE(s.console.Menu(3, 3, 2));
}

TEST_F(MenuTest, ArrowsSkipSpacersAndStopAtTheEnds) {
    s.terminal.Keys({keys::kUp, keys::kDown, keys::kDown, keys::kDown, keys::kDown, keys::kEnter});
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 7);
    s.terminal.Keys({keys::kHome, keys::kDown, keys::kEnter});
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 3);
    s.terminal.Keys({keys::kEnd, keys::kUp, keys::kEsc});
    EXPECT_FALSE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 5);  // Esc leaves the highlighted item in MenuIndex
}

TEST_F(MenuTest, AHotLetterInEitherCaseAcceptsItsEntry) {
    s.terminal.Key('o');
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 5);
    s.terminal.Key('E');
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 7);
    s.terminal.Keys({'z', keys::kF1, keys::kEnter});  // no entry has them
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 7);
}

TEST_F(MenuTest, TheDescriptionLineFollowsTheHighlightWhenSwitchedOn) {
    s.console.Put(DispatchId::kDescriptionColumn, 2);
    s.console.Put(DispatchId::kDescriptionRow, 18);
    s.console.Put(DispatchId::kDescriptionWidth, 21);
    s.console.Put(DispatchId::kShowDescription, true);
    s.terminal.Then(
        [&] { EXPECT_TRUE(RowsAre(s.terminal.Screen(), 2, 18, {"Acquisizione cod./qt "})); });
    s.terminal.Key(keys::kDown).Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 2, 18, {"Mostra codici tasti  "}));
    });
    s.terminal.Key(keys::kEsc);
    s.console.Menu(3, 3, 2);

    s.console.Put(DispatchId::kShowDescription, false);
    s.console.ClearArea(1, 18, 24, 18);
    s.terminal.Key(keys::kEsc);
    s.console.Menu(3, 3, 2);
    EXPECT_TRUE(RowsAre(s.Cells(), 2, 18, {"                     "}));
}

TEST_F(MenuTest, MaskedEntriesAreShownButNeverHighlighted) {
    s.console.MenuItems = "~Codice:#ABC#~Quantita':#12";
    s.console.MenuMask = "0101";
    s.console.MenuIndex = 2;  // a masked entry: the next selectable one is taken
    s.terminal.Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 3, 3, {"Codice:   ", "ABC       "}));
    });
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.Menu(3, 3, 1));
    EXPECT_EQ(s.console.MenuIndex, 3);
    s.terminal.Keys({keys::kUp, keys::kEnter});
    EXPECT_TRUE(s.console.Menu(3, 3, 1));
    EXPECT_EQ(s.console.MenuIndex, 1);
}

TEST_F(MenuTest, OddItemStringsAndIndexesAreHandled) {
    s.console.MenuItems = "";
    s.terminal.Keys({keys::kEnter, keys::kEsc});
    EXPECT_FALSE(s.console.Menu(3, 3, 2));  // nothing to accept

    s.console.MenuItems = "a##b";
    s.console.MenuMask = "0000000";  // longer than the entries
    s.console.MenuIndex = 99;
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 3);
    s.console.MenuIndex = -4;
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.Menu(3, 3, 2));
    EXPECT_EQ(s.console.MenuIndex, 1);
}

TEST_F(MenuTest, HandlerCanAcceptAnotherEntryOrEndTheMenu) {
    s.console.MenuItems = "~Codice:#X#~Quantita':#1#~Terminale:#3";
    s.console.MenuMask = "010101";
    handler.menu = [&](KeyCode& key, KeyAction& action, std::int32_t id) {
        ASSERT_EQ(id, 1);
        if (key == 'q') {
            s.console.MenuIndex = 3;
            action = KeyAction::kAccept;
        } else if (key == keys::kRight) {
            action = KeyAction::kEndNotAccepted;
        }
    };
    s.terminal.Key('q');
    EXPECT_TRUE(s.console.Menu(3, 3, 1));
    EXPECT_EQ(s.console.MenuIndex, 3);
    s.terminal.Keys({keys::kDown, keys::kRight});
    EXPECT_FALSE(s.console.Menu(3, 3, 1));
    EXPECT_EQ(s.console.LastKey(), keys::kRight);
    EXPECT_EQ(s.console.MenuIndex, 5);
}

}  // namespace
}  // namespace tavix::console
