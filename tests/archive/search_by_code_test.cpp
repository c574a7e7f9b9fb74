#include "browser_fixture.hpp"

namespace tavix::archive {
namespace {

using testing::RowsAre;

TEST_F(BrowserTest, ThePopupAsksForACodeAndEscLeavesEverythingAsItWas) {
    console::CellGrid before_popup;
    T().Then([&] { before_popup = Screen(); });
    T().Key(keys::kF3).Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 1, 7,
                            {
                                "╔═════════════════════╗",
                                "║ Codice:             ║",
                                "║                     ║",
                                "╚═════════════════════╝",
                            }));
        EXPECT_EQ(T().Cursor().x, 3);
        EXPECT_EQ(T().Cursor().y, 9);
        // The shadow: the column right of the frame and the row below it.
        const console::Colour shadow = h.Console().SlotColour(console::DispatchId::kShadowBack);
        EXPECT_EQ(Screen().At(24, 8).bg, shadow);
        EXPECT_EQ(Screen().At(24, 11).bg, shadow);
        EXPECT_EQ(Screen().At(2, 11).bg, shadow);
        EXPECT_NE(Screen().At(1, 11).bg, shadow);
    });
    T().Text("lat").Key(keys::kEsc).Then([&] {
        EXPECT_TRUE(Screen() == before_popup) << "the popup left cells behind";
    });
    std::vector<std::string> seen;
    T().Key(keys::kRight);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, std::vector<std::string>{"LATTE 2.5"});  // still in the table's order
    EXPECT_EQ(screen_helpers::Readings().Index(), "");
}

TEST_F(BrowserTest, BlanksDoNotSearchOrChangeTheOrder) {
    std::vector<std::string> seen;
    T().Key(keys::kF3).Text("   ").Key(keys::kEnter);
    Note(seen);
    T().Key(keys::kRight);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"PANE 3", "LATTE 2.5"}));
    EXPECT_EQ(screen_helpers::Readings().Index(), "");
}

TEST_F(BrowserTest, ACodeWithTwoReadingsShowsTheFirstThenStepsInCodeOrder) {
    std::vector<std::string> seen;
    T().Keys({keys::kRight, keys::kRight, keys::kRight});  // on LATTE 7, the later of the two
    T().Key(keys::kF3).Text("latte").Key(keys::kEnter);
    Note(seen);
    for (int step = 0; step < 4; ++step) {
        T().Key(keys::kRight);
        Note(seen);
    }
    T().Key(keys::kLeft);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"LATTE 2.5", "LATTE 7", "PANE 3", "UOVA 12",
                                              "UOVA 12", "PANE 3"}));
}

TEST_F(BrowserTest, ACodeThatNoReadingHasKeepsTheReadingButSwitchesToCodeOrder) {
    std::vector<std::string> seen;
    T().Key(keys::kRight);  // LATTE 2.5; next in table order would be UOVA
    T().Key(keys::kF3).Text("ZUCCHERO").Key(keys::kEnter);
    Note(seen);
    // The key is the text as typed: with a trailing blank no code matches.
    T().Key(keys::kF3).Text("PANE ").Key(keys::kEnter);
    Note(seen);
    T().Key(keys::kRight);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"LATTE 2.5", "LATTE 2.5", "LATTE 7"}));
}

TEST_F(BrowserTest, CodeOrderLastsIntoLaterCallsOfTheBrowser) {
    T().Key(keys::kF3).Text("UOVA").Key(keys::kEnter).Key(keys::kEsc);
    RunBrowser();
    std::vector<std::string> seen;
    Note(seen);
    T().Key(keys::kRight);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"LATTE 2.5", "LATTE 7"}));
}

TEST_F(BrowserTest, AFailedSearchStillTakesThePopupAwayAndBrowsingGoesOn) {
    console::CellGrid before_popup;
    T().Then([&] {
        before_popup = Screen();
        // With no match the search goes back to the shown reading, which is now gone.
        h.Execute("DELETE FROM Readings WHERE code = 'PANE'");
    });
    T().Key(keys::kF3).Text("ZUCCHERO").Key(keys::kEnter).Then([&] {
        // The edges of the popup and its shadow, outside what the browser redraws.
        for (int row = 7; row <= 11; ++row) {
            for (const int column : {1, 23, 24}) {
                EXPECT_EQ(Screen().At(column, row), before_popup.At(column, row))
                    << "column " << column << " row " << row;
            }
        }
        EXPECT_EQ(Screen().At(10, 11), before_popup.At(10, 11));
    });
    std::vector<std::string> seen;
    T().Key(keys::kRight);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, std::vector<std::string>{"LATTE 2.5"});
}

}  // namespace
}  // namespace tavix::archive
