#include "acquisition/readings_list.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "acquisition/entry_loop.hpp"
#include "console/colours.hpp"
#include "console/item_list.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/readings_table.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::acquisition {
namespace {

namespace table = store::readings_table;

namespace keys = console::keys;
namespace colours = console::colours;
using testing::ProgramHarness;
using testing::RowsAre;
using testing::ScreenShows;
using testing::ScreenShowsAll;

class ReadingsListTest : public ::testing::Test {
  protected:
    console::ScriptedTerminal& Script() { return harness_.Terminal(); }
    const console::CellGrid& Cells() { return harness_.Cells(); }
    console::TextConsole& Console() { return harness_.Console(); }

    // Readings "C01", "C02", ... stored in that order.
    void StoreNumberedReadings(int count) {
        harness_.Execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(count) +
            ") INSERT INTO Readings (code, qt, terminal, DateTime) "
            "SELECT printf('C%02d', i), i, '1', '2026-12-06 07:05:09' FROM n");
    }

    // Opens the list with F5 from the code field of the entry screen, runs the checks
    // while it is shown, and closes it with Enter; then the entry screen is left as well.
    void WithListShown(const std::function<void()>& checks) {
        Script().Key(keys::kF5).Then(checks).Key(keys::kEnter);
        EntryLoop("3");
        EXPECT_EQ(Script().PendingKeys(), 0u);
    }

    std::vector<std::string> ListedLines() { return console::SplitItems(Console().ListItems); }

    ProgramHarness harness_;
};

TEST_F(ReadingsListTest, ShowsTheReadingsUnderItsTitleAndScrollsSideways) {
    harness_.StoreReading("ABC123", 12, "3", {2026, 12, 6, 7, 5, 9});
    harness_.StoreReading("X9", 2.5, "3", {2027, 1, 9, 14, 3, 7});
    Script().Key(keys::kF5);
    Script().Then([&] {
        EXPECT_EQ(Console().ListItems,
                  "ABC123, qt 12, 06/12/26 07:05:09, 3#X9, qt 2.5, 09/01/27 14:03:07, 3");
        EXPECT_TRUE(RowsAre(Cells(), 3, 3,
                            {
                                "╔═Record in memoria═╗",
                                "║ABC123, qt 12, 06/1║",
                                "║X9, qt 2.5, 09/01/2║",
                                "║                   ║",
                            }));
        EXPECT_TRUE(RowsAre(Cells(), 3, 19, {"╚═══════════════════╝"}));
        EXPECT_EQ(Cells().At(4, 4).fg, colours::kBlue);  // the first line highlighted
        EXPECT_EQ(Cells().At(4, 4).bg, colours::kLightGray);
        EXPECT_EQ(Cells().At(4, 5).fg, colours::kLightGray);
        EXPECT_EQ(Cells().At(4, 5).bg, colours::kBlue);
        EXPECT_EQ(Cells().At(5, 3).fg, colours::kYellow);  // the title
    });
    Script().Keys({keys::kRight, keys::kRight, keys::kRight, keys::kDown});
    Script().Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 4, 4, {"123, qt 12, 06/12/2", " qt 2.5, 09/01/27 1"}));
        EXPECT_EQ(Cells().At(4, 5).bg, colours::kLightGray);
    });
    Script().Keys({keys::kLeft, keys::kUp});
    Script().Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 4, 4, {"C123, qt 12, 06/12/"}));
        EXPECT_EQ(Cells().At(4, 4).bg, colours::kLightGray);
    });
    Script().Key(keys::kEnter);
    EntryLoop("3");
    EXPECT_EQ(Script().PendingKeys(), 0u);
}

// The list is for looking only: Esc and the arrows move in it, any other key closes it.
TEST_F(ReadingsListTest, OnlyEscAndTheArrowsAreTheListsOwnKeys) {
    for (const console::KeyCode key :
         {keys::kEsc, keys::kUp, keys::kLeft, keys::kRight, keys::kDown}) {
        console::KeyCode passed = key;
        console::KeyAction action = console::KeyAction::kAccept;
        ListKey(passed, action, 0);
        EXPECT_EQ(action, console::KeyAction::kConsole) << key;
        EXPECT_EQ(passed, key);
    }
    for (const console::KeyCode key : {int{keys::kEnter}, int{'a'}, int{keys::kF1},
                                       int{keys::kPageDown}, int{keys::kHome}, int{' '}}) {
        console::KeyCode passed = key;
        console::KeyAction action = console::KeyAction::kConsole;
        ListKey(passed, action, 0);
        EXPECT_EQ(action, console::KeyAction::kEndNotAccepted) << key;
        EXPECT_EQ(passed, key);
    }
}

TEST_F(ReadingsListTest, WithoutReadingsSaysSoAndGivesTheEntryScreenBackAsItWas) {
    console::CellGrid before;
    std::string settings_before;
    Script().Then([&] {
        before = Cells();
        settings_before = Console().SaveState();
    });
    Script().Key(keys::kF5);
    Script().Then([&] {
        EXPECT_EQ(Console().MessageText, "Nessun record in archivio!");
        EXPECT_TRUE(ScreenShowsAll(Cells(), {"Nessun record in", "archivio!", " Ok "}));
        EXPECT_FALSE(ScreenShows(Cells(), "Record in memoria"));
    });
    Script().Key(keys::kEnter);
    EntryLoop("3");
    EXPECT_TRUE(Cells() == before) << "the entry screen was not given back";
    EXPECT_EQ(Console().SaveState(), settings_before);
}

TEST_F(ReadingsListTest, GivesTheEntryScreenAndSettingsBackAfterTheList) {
    harness_.StoreReading("A", 1, "3", {2026, 12, 6, 7, 5, 9});
    console::CellGrid before;
    std::string settings_before;
    Script().Then([&] {
        before = Cells();
        settings_before = Console().SaveState();
    });
    WithListShown([&] { EXPECT_EQ(Console().ListTitle, "Record in memoria"); });
    EXPECT_TRUE(Cells() == before) << "the entry screen was not given back";
    EXPECT_EQ(Console().SaveState(), settings_before);
}

// A signal while the list is shown: the program ends, but the list's settings are taken back
// on the way out, as after Enter.
TEST_F(ReadingsListTest, ATerminationWhileTheListIsShownStillGivesTheSettingsBack) {
    harness_.StoreReading("A", 1, "3", {2026, 12, 6, 7, 5, 9});
    const std::string settings_before = Console().SaveState();
    Script().Then([] { throw console::TerminationRequested{15}; });
    EXPECT_THROW(ShowReadingsList(), console::TerminationRequested);
    EXPECT_EQ(Console().SaveState(), settings_before);
}

TEST_F(ReadingsListTest, OneReadingIsOneLineWithoutSeparator) {
    harness_.StoreReading("ONLY", 3, "12345", {2027, 1, 9, 14, 3, 7});
    WithListShown([&] { EXPECT_EQ(Console().ListItems, "ONLY, qt 3, 09/01/27 14:03:07, 12345"); });
}

TEST_F(ReadingsListTest, ListsAtMostTheFirstFifty) {
    StoreNumberedReadings(50);
    WithListShown([&] {
        const auto lines = ListedLines();
        ASSERT_EQ(lines.size(), 50u);
        EXPECT_EQ(lines.front(), "C01, qt 1, 06/12/26 07:05:09, 1");
        EXPECT_EQ(lines.back(), "C50, qt 50, 06/12/26 07:05:09, 1");
    });

    harness_.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) "
        "VALUES ('C51', 51, '1', '2026-12-06 07:05:09')");
    WithListShown([&] {
        const auto lines = ListedLines();
        ASSERT_EQ(lines.size(), 50u);
        EXPECT_EQ(lines.front().substr(0, 4), "C01,");
        EXPECT_EQ(lines.back().substr(0, 4), "C50,");
        EXPECT_EQ(Console().ListItems.find("C51"), std::string::npos);
    });
}

TEST_F(ReadingsListTest, FollowsTheCodeOrderOnceTheIndexIsSelected) {
    for (const char* code : {"M", "Z", "B", "A"}) {
        harness_.StoreReading(code, 1, "1", {2026, 12, 6, 7, 5, 9});
    }
    auto first_letters = [&] {
        std::string letters;
        for (const std::string& line : ListedLines()) {
            letters += line.front();
        }
        return letters;
    };
    WithListShown([&] { EXPECT_EQ(first_letters(), "MZBA"); });
    screen_helpers::ReadingsSet->SetIndex(table::kCodeIndex);
    WithListShown([&] { EXPECT_EQ(first_letters(), "ABMZ"); });
}

// Whatever another program left in the file is shown as it reads; nothing shows as nothing.
TEST_F(ReadingsListTest, MissingAndNumericValuesInTheGeneralForm) {
    harness_.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('N1', NULL, NULL, NULL), "
        "(NULL, 0.25, 3.0, '2026-12-06 07:05:09'), "
        "('N3', 1234567, 7, 'soon')");
    WithListShown([&] {
        EXPECT_EQ(ListedLines(), (std::vector<std::string>{
                                     "N1, qt , , ",
                                     ", qt 0.25, 06/12/26 07:05:09, 3",
                                     "N3, qt 1234567, soon, 7",
                                 }));
    });
}

// "#" ends a line of the list: in a stored value it shows as the look-alike the archive
// browser shows, and so do "~" and "|".
TEST_F(ReadingsListTest, ItemSeparatorsInStoredValuesDoNotSplitTheirLine) {
    harness_.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('A#B~C|D', 1, '12#4', '2026-12-06 07:05:09'), ('E', 2, '5', '2026-12-06 07:05:09')");
    WithListShown([&] {
        EXPECT_EQ(ListedLines(), (std::vector<std::string>{
                                     "A\x87"
                                     "B\x98"
                                     "C\xA6"
                                     "D, qt 1, 06/12/26 07:05:09, 12\x87"
                                     "4",
                                     "E, qt 2, 06/12/26 07:05:09, 5",
                                 }));
        EXPECT_TRUE(RowsAre(Cells(), 4, 4, {"A‡B˜C¦D, qt 1, 06/1", "E, qt 2, 06/12/26 0"}));
    });
}

// Each value is cut to the width of the list's lines before the line is built, so a value
// of megabytes costs no more than a short one; numbers are rounded to fit, never cut.
TEST_F(ReadingsListTest, EachValueIsCutToTheWidthOfALine) {
    harness_.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "(replace(hex(zeroblob(2000000)), '00', 'C'), 1e308, "
        "replace(hex(zeroblob(2000000)), '00', '7'), '2026-12-06 07:05:09'),"
        "('ABCDEFGHIJKLMNOPQRSTUVW', 0.00012345678901234567, '3', 'a date written as a long "
        "text')");
    WithListShown([&] {
        EXPECT_EQ(
            ListedLines(),
            (std::vector<std::string>{
                std::string(19, 'C') + ", qt 1e+308, 06/12/26 07:05:09, " + std::string(19, '7'),
                "ABCDEFGHIJKLMNOPQRS, qt 0.00012345678901235, a date written as a, 3",
            }));
    });
}

}  // namespace
}  // namespace tavix::acquisition
