#include <gtest/gtest.h>

#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::RowsAre;
using testing::ScriptedConsole;

struct DialogTest : ::testing::Test {
    ScriptedConsole s;
    DialogTest() {
        s.console.TextColor = 14;
        s.console.BackColor = 1;
        s.console.Clear();
        s.console.Put(DispatchId::kFrameStyle, 2);
        s.console.PrintAt(1, 10, "background of the dialog");
    }
};

TEST_F(DialogTest, MessageBoxWrapsALongTextAndRestoresWhatItCovered) {
    const CellGrid before = s.Cells();
    s.console.MessageText = "Nessun record in archivio!";
    s.console.MessageButtons = "Ok";
    s.console.MessageChoice = 1;
    s.terminal.Then([&] {
        EXPECT_TRUE(RowsAre(s.terminal.Screen(), 2, 7,
                            {"╔══════════════════╗", "║                  ║", "║ Nessun record in ║",
                             "║    archivio!     ║", "║                  ║", "║        Ok        ║",
                             "╚══════════════════╝"}));
    });
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.MessageBox(0));
    EXPECT_EQ(s.console.MessageChoice, 1);
    EXPECT_EQ(s.Cells(), before);
}

TEST_F(DialogTest, ATextThatFitsOneRowIsNotWrappedTheMarginsGiveWay) {
    s.console.MessageText = "Lettura non salvata!";
    s.console.MessageButtons = "Ok";
    s.terminal.Then([&] {
        EXPECT_TRUE(RowsAre(
            s.terminal.Screen(), 1, 7,
            {"╔════════════════════╗", "║                    ║", "║Lettura non salvata!║",
             "║                    ║", "║         Ok         ║", "╚════════════════════╝"}));
    });
    s.terminal.Key(keys::kEnter);
    EXPECT_TRUE(s.console.MessageBox(0));
}

TEST_F(DialogTest, ButtonsAreChosenWithArrowsAndTab) {
    s.console.MessageText = "Cancello il record?";
    s.console.MessageButtons = "Ok#Annulla";
    s.console.MessageChoice = 1;
    s.terminal.Keys({keys::kRight, keys::kEnter});
    EXPECT_TRUE(s.console.MessageBox(0));
    EXPECT_EQ(s.console.MessageChoice, 2);

    s.console.MessageChoice = 1;
    s.terminal.Keys({keys::kTab, keys::kTab, keys::kEnter});
    EXPECT_TRUE(s.console.MessageBox(0));
    EXPECT_EQ(s.console.MessageChoice, 1);

    s.console.MessageChoice = 1;
    s.terminal.Keys({keys::kLeft, 'x', keys::kEnter});
    EXPECT_TRUE(s.console.MessageBox(0));
    EXPECT_EQ(s.console.MessageChoice, 2);
}

TEST_F(DialogTest, EscRefusesAndLeavesTheChoiceAlone) {
    s.console.MessageText = "Cancello il record?";
    s.console.MessageButtons = "Ok#Annulla";
    s.console.MessageChoice = 1;
    s.terminal.Keys({keys::kRight, keys::kEsc});
    EXPECT_FALSE(s.console.MessageBox(0));
    EXPECT_EQ(s.console.MessageChoice, 1);
}

TEST_F(DialogTest, TheSelectedButtonHasItsOwnColours) {
    s.console.MessageText = "?";
    s.console.MessageButtons = "Ok#Annulla";
    s.console.MessageChoice = 2;
    s.terminal.Then([&] {
        const CellGrid& screen = s.terminal.Screen();
        const Colour selected = s.console.SlotColour(DispatchId::kSelectedButtonBack);
        int selected_cells = 0;
        for (int x = 1; x <= 24; ++x) {
            for (int y = 1; y <= 20; ++y) {
                selected_cells += screen.At(x, y).bg == selected ? 1 : 0;
            }
        }
        EXPECT_EQ(selected_cells, 9);  // " Annulla "
    });
    s.terminal.Key(keys::kEsc);
    s.console.MessageBox(0);
}

TEST_F(DialogTest, PopupFitsTheLongestQuestionExactlyAndCloses) {
    const CellGrid before = s.Cells();
    const std::string saved = s.console.ShowMessage("Confermi uscita (S/N)?");
    EXPECT_TRUE(RowsAre(
        s.Cells(), 1, 9,
        {"╔══════════════════════╗", "║Confermi uscita (S/N)?║", "╚══════════════════════╝"}));
    s.console.CloseMessage(saved);
    EXPECT_EQ(s.Cells(), before);
}

TEST_F(DialogTest, PopupStyleChoosesBetweenTextAndDialogColours) {
    const std::string plain = s.console.ShowMessage("Demo Tavix v1.0");
    EXPECT_TRUE(RowsAre(s.Cells(), 4, 9, {"╔═══════════════╗", "║Demo Tavix v1.0║"}));
    EXPECT_EQ(s.Cells().At(5, 10), (Cell{U'D', 14, 1}));
    s.console.CloseMessage(plain);
    s.console.Put(DispatchId::kPopupStyle, 2);
    const std::string question = s.console.ShowMessage("Fine letture (S/N)?");
    EXPECT_EQ(s.Cells().At(4, 10).bg, s.console.SlotColour(DispatchId::kDialogBack));
    s.console.CloseMessage(question);
    EXPECT_THROW(s.console.CloseMessage("not saved here"), std::invalid_argument);
}

}  // namespace
}  // namespace tavix::console
