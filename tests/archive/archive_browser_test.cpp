#include "archive/menu_key.hpp"
#include "browser_fixture.hpp"

namespace tavix::archive {
namespace {

using testing::RowsAre;
using testing::ScreenShows;
using testing::ScreenShowsAll;

TEST_F(BrowserTest, ShowsTheFirstReadingWithItsFieldsAndTheKeys) {
    T().Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 2, 2,
                            {
                                "                     ",
                                " Codice:             ",
                                " PANE                ",
                                " Quantita':          ",
                                " 3                   ",
                                " Terminale:          ",
                                " 1                   ",
                                " Data:               ",
                                " 06/12/2026          ",
                                " Ora:                ",
                                " 07:05:09            ",
                                "                     ",
                                " < >     scorre      ",
                                " Enter   modifica    ",
                                " Esc     esce        ",
                                " BkSp    cancella    ",
                                " F3      cerca       ",
                            }));
        EXPECT_EQ(HighlightedItem(), 1);
        // The hot letters of the labels in their own colour; the values cannot be chosen.
        const console::Colour hot = h.Console().SlotColour(console::DispatchId::kMenuHotLetter);
        for (const int row : {3, 5, 7, 9, 11}) {
            EXPECT_EQ(Screen().At(3, row).fg, hot) << "row " << row;
        }
        EXPECT_NE(Screen().At(3, 4).fg, hot);
    });
    T().Key(keys::kEsc);
    RunBrowser();
}

TEST_F(BrowserTest, LeftAndRightStepInTheTableOrderAndStopAtBothEnds) {
    std::vector<std::string> seen;
    Note(seen);
    for (const console::KeyCode key :
         {keys::kLeft, keys::kRight, keys::kRight, keys::kRight, keys::kRight, keys::kLeft}) {
        T().Key(key);
        Note(seen);
    }
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"PANE 3", "PANE 3", "LATTE 2.5", "UOVA 12", "LATTE 7",
                                              "LATTE 7", "UOVA 12"}));
}

TEST_F(BrowserTest, OtherKeysLeaveTheReadingAndTheHighlightAlone) {
    std::vector<std::string> seen;
    std::vector<int> highlight;
    T().Keys({keys::kDown, 'x', keys::kF1, keys::kPageDown, keys::kDown, keys::kUp});
    Note(seen);
    NoteHighlight(highlight);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, std::vector<std::string>{"PANE 3"});
    EXPECT_EQ(highlight, std::vector<int>{3});  // Down, Down, Up among the labels
}

TEST_F(BrowserTest, TheHighlightStaysOnItsLabelAcrossStepsEditsDeletionsAndSearches) {
    std::vector<int> highlight;
    T().Keys({keys::kDown, keys::kDown});  // on "Terminale:"
    NoteHighlight(highlight);
    T().Key(keys::kRight);
    NoteHighlight(highlight);
    T().Keys({keys::kEnter, keys::kEsc});  // an edit left with Esc
    NoteHighlight(highlight);
    T().Keys({keys::kEnter, '9', keys::kEnter});  // an edit stored
    NoteHighlight(highlight);
    T().Keys({keys::kBackspace, keys::kEsc});  // a deletion refused
    NoteHighlight(highlight);
    T().Keys({keys::kBackspace, keys::kEnter});  // a deletion done
    NoteHighlight(highlight);
    T().Key(keys::kF3).Text("PANE").Key(keys::kEnter);  // a search that finds
    NoteHighlight(highlight);
    T().Key(keys::kF3).Key(keys::kEsc);  // a search left
    NoteHighlight(highlight);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(highlight, (std::vector<int>{5, 5, 5, 5, 5, 5, 5, 5}));
}

TEST_F(BrowserTest, EachLetterOpensItsEditorAtOnceOnItsValueRow) {
    struct Case {
        console::KeyCode letter;
        int label_item;
        std::string start;
    };
    const std::vector<Case> cases = {
        {'q', 3, "3"},        {'T', 5, "1"},    {'d', 7, "06/12/2026"},
        {'O', 9, "07:05:09"}, {'c', 1, "PANE"}, {'Q', 3, "3"},
    };
    for (const Case& c : cases) {
        T().Key(c.letter).Then([&, c] {
            const int value_row = c.label_item + 3;
            EXPECT_TRUE(T().Cursor().visible) << "letter " << char(c.letter);
            EXPECT_EQ(T().Cursor().y, value_row) << "letter " << char(c.letter);
            EXPECT_EQ(RowText(value_row), c.start);
            // The editor's own colours mark the open field.
            EXPECT_EQ(Screen().At(3, value_row).bg,
                      h.Console().SlotColour(console::DispatchId::kEditorBack));
            EXPECT_EQ(HighlightedItem(), c.label_item);
        });
        T().Key(keys::kEsc);
    }
    T().Key(keys::kEsc);
    RunBrowser();
}

TEST_F(BrowserTest, BackspaceAsksAndDeletesOnlyOnOk) {
    T().Key(keys::kBackspace).Then([&] {
        const std::string screen = Screen().RowText(9) + Screen().RowText(10) +
                                   Screen().RowText(11) + Screen().RowText(12);
        EXPECT_NE(screen.find("Cancello il record?"), std::string::npos) << screen;
        EXPECT_NE(screen.find(" Ok   Annulla "), std::string::npos) << screen;
    });
    T().Keys({keys::kRight, keys::kEnter});  // "Annulla"
    T().Keys({keys::kBackspace, keys::kEsc});
    std::vector<std::string> seen;
    Note(seen);
    T().Then([&] { EXPECT_EQ(h.StoredReadings().size(), 4u); });
    T().Keys({keys::kBackspace, keys::kEnter});  // "Ok"
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"PANE 3", "LATTE 2.5"}));
    const std::vector<testing::StoredReading> left = h.StoredReadings();
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].code, "LATTE");
}

TEST_F(BrowserTest, DeletingTheLastInOrderShowsTheFirstAndEveryReadingCanGo) {
    std::vector<std::string> seen;
    T().Keys({keys::kRight, keys::kRight, keys::kRight});
    T().Keys({keys::kBackspace, keys::kEnter});  // LATTE 7, the last
    Note(seen);
    T().Keys({keys::kRight, keys::kBackspace, keys::kEnter});  // LATTE 2.5, in the middle
    Note(seen);
    T().Keys({keys::kBackspace, keys::kEnter});  // UOVA, the last again
    Note(seen);
    T().Keys({keys::kBackspace, keys::kEnter});  // PANE, the only one: the browser closes
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{"PANE 3", "UOVA 12", "PANE 3"}));
    EXPECT_TRUE(h.StoredReadings().empty());
}

// The caller's screen: an entry screen in its own colours and settings.
struct CallerScreenTest : BrowserTest {
    CallerScreenTest() {
        console::TextConsole& console = h.Console();
        console.TextColor = console::colours::kLightGreen;
        console.BackColor = console::colours::kBlack;
        console.PrintAt(3, 6, "Codice:");
        console.PrintAt(4, 9, "Quantita':");
        console.TextColor = console::colours::kWhite;
        console.BackColor = console::colours::kRed;
        console.PrintAt(3, 7, "ABC123");
        console.PrintAt(2, 18, "F3 archivio  F5 lista");
        console.Shadow = true;
        console.MenuIndex = 7;
        console.MenuItems = "~Inizia#~Esci";
        console.MessageText = "Fine letture";
        console.FieldValue = "ABC";
        console.FieldPicture = "!";
        console.FieldLength = 18;
        console.CursorMode = 1;
        saved_cells = console.Cells();
        saved_state = console.SaveState();
    }

    void ExpectCallerBack() {
        EXPECT_TRUE(h.Console().Cells() == saved_cells) << "the caller's cells differ";
        EXPECT_EQ(h.Console().SaveState(), saved_state) << "the caller's settings differ";
    }

    console::CellGrid saved_cells;
    std::string saved_state;
};

TEST_F(CallerScreenTest, EscGivesBackTheCallersScreenAndSettingsAfterEverything) {
    T().Then([&] {
        // The browser draws in the standard scheme, whatever colours its caller had.
        EXPECT_EQ(Screen().At(3, 14).fg, console::colours::kYellow);
        EXPECT_EQ(Screen().At(3, 14).bg, console::colours::kBlue);
    });
    T().Keys({keys::kRight, 'q', '5', keys::kEnter, keys::kBackspace, keys::kEnter});
    T().Key(keys::kF3).Text("UOVA").Key(keys::kEnter);
    T().Key(keys::kEsc);
    RunBrowser();
    ExpectCallerBack();
}

// A signal while a search popup stands over the browser: both are gone, and the caller's
// screen and settings are back, before the program ends.
TEST_F(CallerScreenTest, ATerminationWhileSearchingStillGivesBackTheCallersScreenAndSettings) {
    T().Keys({keys::kRight, keys::kF3}).Text("UO");
    T().Then([] { throw console::TerminationRequested{15}; });
    EXPECT_THROW(ArchiveBrowser(), console::TerminationRequested);
    ExpectCallerBack();
}

TEST_F(CallerScreenTest, DeletingTheOnlyReadingClosesTheBrowserWithoutAMessage) {
    h.Execute("DELETE FROM Readings WHERE code <> 'UOVA'");
    T().Then([&] { EXPECT_EQ(Shown(), "UOVA 12"); });
    T().Keys({keys::kBackspace, keys::kEnter});
    RunBrowser();
    ExpectCallerBack();
    EXPECT_TRUE(h.StoredReadings().empty());
}

TEST_F(CallerScreenTest, AnEmptyTableIsOnlyAMessage) {
    h.Execute("DELETE FROM Readings");
    T().Then([&] {
        EXPECT_TRUE(ScreenShowsAll(Screen(), {"Nessun record", " Ok "}));
        EXPECT_FALSE(ScreenShows(Screen(), "Annulla"));
    });
    T().Key(keys::kEnter);
    RunBrowser();
    ExpectCallerBack();
}

TEST_F(CallerScreenTest, WithoutAnOpenDatabaseTheBrowserSaysThereIsNothingToShow) {
    screen_helpers::ReadingsSet.reset();
    T().Then([&] { EXPECT_TRUE(ScreenShows(Screen(), "Nessun record")); });
    T().Key(keys::kEsc);
    RunBrowser();
    ExpectCallerBack();
}

TEST_F(BrowserTest, AReadingRemovedByAnotherProgramShowsNoValuesAndBrowsingGoesOn) {
    std::vector<std::string> seen;
    T().Then([&] { h.Execute("DELETE FROM Readings WHERE code = 'PANE'"); });
    T().Keys({'q', '5', keys::kEnter});  // the edit fails on the vanished reading
    Note(seen);
    T().Keys({keys::kBackspace, keys::kEnter});  // so does the deletion
    Note(seen);
    T().Key(keys::kRight);
    Note(seen);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(seen, (std::vector<std::string>{" ", " ", "LATTE 2.5"}));
    EXPECT_EQ(h.StoredReadings().size(), 3u);
}

// The browser's keys are tested through the browser; here, what it must leave alone.
TEST(MenuKeyTest, LeavesOtherMenusAndOtherKeysToTheConsole) {
    testing::ProgramHarness h;
    h.Console().MenuIndex = 5;
    for (const std::int32_t menu_id : {2, 0}) {
        console::KeyCode key = 'q';
        auto action = console::KeyAction::kEndNotAccepted;
        MenuKey(key, action, menu_id);
        EXPECT_EQ(action, console::KeyAction::kEndNotAccepted);
    }
    for (const console::KeyCode other :
         {keys::kEsc, keys::kUp, keys::kF5, int{'x'}, int{'Z'}, int{'3'}}) {
        console::KeyCode key = other;
        auto action = console::KeyAction::kValueChanged;
        MenuKey(key, action, kBrowserMenu);
        EXPECT_EQ(action, console::KeyAction::kConsole) << "key " << other;
        EXPECT_EQ(key, other);
    }
    EXPECT_EQ(h.Console().MenuIndex, 5);
}

}  // namespace
}  // namespace tavix::archive
