#include <gtest/gtest.h>

#include "acquisition/acquisition.hpp"
#include "console/colours.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::acquisition {
namespace {

namespace keys = console::keys;
namespace colours = console::colours;
using testing::ProgramHarness;
using testing::RowsAre;
using testing::ScreenShows;

class AcquisitionScreensTest : public ::testing::Test {
  protected:
    console::ScriptedTerminal& Script() { return harness_.Terminal(); }
    const console::CellGrid& Cells() { return harness_.Cells(); }

    // The work area as the terminal prompt shows it, offering terminal.
    void ExpectTerminalPrompt(const std::string& offered) {
        const std::string field = offered + std::string(5 - offered.size(), ' ');
        EXPECT_TRUE(RowsAre(Cells(), 2, 2,
                            {
                                "                     ",
                                "                     ",
                                "                     ",
                                "     Terminale:      ",
                                "                     ",
                                "                     ",
                                "        " + field + "        ",
                                "                     ",
                            }));
    }

    ProgramHarness harness_;
};

TEST_F(AcquisitionScreensTest, TheTerminalPromptOffersOneAtTheStartOfEveryRun) {
    Script().Then([&] {
        ExpectTerminalPrompt("1");
        const console::Cell label = Cells().At(7, 5);
        EXPECT_EQ(label.fg, colours::kYellow);
        EXPECT_EQ(label.bg, colours::kBlue);
        const console::Cell field = Cells().At(10, 8);
        EXPECT_EQ(field.fg, colours::kWhite);
        EXPECT_EQ(field.bg, colours::kBlack);
    });
    Script().Text("3").Keys({keys::kEnter, keys::kEsc});
    Script().Then([&] { ExpectTerminalPrompt("3"); });
    Script().Keys({keys::kEsc, 'S'});
    RunAcquisition();

    // Nothing of the last run is remembered.
    Script().Then([&] { ExpectTerminalPrompt("1"); });
    Script().Keys({keys::kEsc, 's'});
    RunAcquisition();
    EXPECT_EQ(Script().PendingKeys(), 0u);
    EXPECT_TRUE(harness_.StoredReadings().empty());
}

TEST_F(AcquisitionScreensTest, TheEntryScreenShowsTheTerminalFieldsAndKeys) {
    Script().Text("3").Key(keys::kEnter);
    Script().Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 2, 2,
                            {
                                "                     ",
                                "    Terminale: 3     ",
                                "                     ",
                                "                     ",
                                " Codice:             ",
                                "                     ",
                                "                     ",
                                " Quantita':          ",
                                " 1                   ",
                                "                     ",
                                " Digita codice       ",
                                "                     ",
                                "                     ",
                                " F1 pulisci          ",
                                " F3 archivio         ",
                                " F5 lista            ",
                                "                     ",
                            }));
        // The code field is the editor's, the quantity beside it plain text.
        EXPECT_EQ(Cells().At(3, 7).bg, colours::kBlack);
        EXPECT_EQ(Cells().At(20, 7).bg, colours::kBlack);
        EXPECT_EQ(Cells().At(21, 7).bg, colours::kBlue);
        EXPECT_EQ(Cells().At(3, 10).fg, colours::kYellow);
        EXPECT_EQ(Cells().At(3, 10).bg, colours::kBlue);
    });
    Script().Text("ABC").Key(keys::kEnter);
    Script().Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 3, 7,
                            {
                                "ABC               ",
                                "",
                                "Quantita':",
                                "1     ",
                                "",
                                "Digita quantita'   ",
                            }));
        EXPECT_EQ(Cells().At(3, 10).bg, colours::kBlack);
        EXPECT_EQ(Cells().At(8, 10).bg, colours::kBlack);
        EXPECT_EQ(Cells().At(9, 10).bg, colours::kBlue);
    });
    Script().Keys({keys::kEsc, keys::kEsc, keys::kEsc, 'S'});
    RunAcquisition();
    EXPECT_EQ(Script().PendingKeys(), 0u);
}

TEST_F(AcquisitionScreensTest, EndingTheReadingsAsksAndNoKeepsTheTypedTerminal) {
    Script().Text("42").Key(keys::kEsc);
    Script().Then([&] { EXPECT_TRUE(ScreenShows(Cells(), "Fine letture (S/N)?")); });
    Script().Key('x');  // neither answer: still asking
    Script().Then([&] { EXPECT_TRUE(ScreenShows(Cells(), "Fine letture (S/N)?")); });
    Script().Key('n');
    Script().Then([&] {
        EXPECT_FALSE(ScreenShows(Cells(), "Fine letture"));
        ExpectTerminalPrompt("42");
    });
    Script().Keys({keys::kEsc, 'S'});
    RunAcquisition();
    EXPECT_EQ(Script().PendingKeys(), 0u);
}

// The prompt's keys are the editor's own: F1 empties only the entry fields.
TEST_F(AcquisitionScreensTest, AnEmptyTerminalIsUsedAsItIs) {
    Script().Key(keys::kF1);
    Script().Then([&] { ExpectTerminalPrompt("1"); });
    Script().Keys({keys::kDelete, keys::kEnter});
    Script().Then([&] { EXPECT_TRUE(RowsAre(Cells(), 2, 3, {"     Terminale:      "})); });
    Script().Text("A").Keys({keys::kEnter, keys::kEnter, keys::kEsc, keys::kEsc, 'S'});
    RunAcquisition();
    const auto readings = harness_.StoredReadings();
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].terminal, "");
    EXPECT_EQ(readings[0].terminal_type, "text");
}

}  // namespace
}  // namespace tavix::acquisition
