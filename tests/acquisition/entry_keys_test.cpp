#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "acquisition/acquisition.hpp"
#include "acquisition/entry_loop.hpp"
#include "console/colours.hpp"
#include "store/timestamp.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::acquisition {
namespace {

namespace keys = console::keys;
using store::Timestamp;
using testing::ProgramHarness;
using testing::RowsAre;
using testing::ScreenShows;

// The screen rows that tell which field is open: code, quantity and the prompt line.
struct EntryRows {
    std::string code;
    std::string quantity;
    std::string prompt;
};

class EntryKeysTest : public ::testing::Test {
  protected:
    console::ScriptedTerminal& Script() { return harness_.Terminal(); }
    const console::CellGrid& Cells() { return harness_.Cells(); }

    // Runs the entry screen for terminal 3 with keys typed on it; the screen is left with
    // Esc from the code field.
    void RunEntryScreen() {
        Script().Key(keys::kEsc);
        EntryLoop("3");
        EXPECT_EQ(Script().PendingKeys(), 0u);
    }

    void ExpectRows(const EntryRows& rows) {
        EXPECT_TRUE(RowsAre(Cells(), 3, 7, {rows.code}));
        EXPECT_TRUE(RowsAre(Cells(), 3, 10, {rows.quantity}));
        EXPECT_TRUE(RowsAre(Cells(), 3, 12, {rows.prompt}));
    }
    void ExpectCodeFieldOpen() {
        ExpectRows({"                  ", "1     ", "Digita codice      "});
        EXPECT_EQ(Cells().At(3, 7).bg, console::colours::kBlack);
    }
    void ExpectQuantityFieldOpen(const std::string& code_row, const std::string& quantity_row) {
        ExpectRows({code_row, quantity_row, "Digita quantita'   "});
        EXPECT_EQ(Cells().At(3, 10).bg, console::colours::kBlack);
    }

    std::vector<std::pair<std::string, std::string>> StoredCodesAndQuantities() const {
        std::vector<std::pair<std::string, std::string>> stored;
        for (const auto& reading : harness_.StoredReadings()) {
            stored.emplace_back(reading.code, reading.qt);
        }
        return stored;
    }

    ProgramHarness harness_;
};

using Stored = std::vector<std::pair<std::string, std::string>>;

TEST_F(EntryKeysTest, EnterDownAndUpInTheQuantityStoreTheReading) {
    Script().Text("abc123").Key(keys::kEnter).Text("12").Key(keys::kEnter);
    Script().Then([&] {
        // The last code stays visible under the empty code field only until it is drawn.
        ExpectCodeFieldOpen();
    });
    Script().Text("X9").Key(keys::kDown);
    Script().Then([&] { ExpectQuantityFieldOpen("X9                ", "1     "); });
    Script().Text("0").Key(keys::kUp);
    Script().Text("Y").Key(keys::kEnter).Text("7").Key(keys::kDown);
    RunEntryScreen();

    EXPECT_EQ(StoredCodesAndQuantities(),
              (Stored{{"ABC123", "12.0"}, {"X9", "0.0"}, {"Y", "7.0"}}));
    for (const auto& reading : harness_.StoredReadings()) {
        EXPECT_EQ(reading.terminal, "3");
    }
}

TEST_F(EntryKeysTest, UpInTheCodeFieldIsTheEditorsOwnKey) {
    Script().Text("AB").Key(keys::kUp);
    Script().Then([&] { ExpectRows({"AB                ", "1     ", "Digita codice      "}); });
    Script().Text("C").Key(keys::kEnter).Key(keys::kEnter);
    RunEntryScreen();
    EXPECT_EQ(StoredCodesAndQuantities(), (Stored{{"ABC", "1.0"}}));
}

TEST_F(EntryKeysTest, ABlankCodeIsNotAcceptedAndTheFieldOpensEmpty) {
    Script().Text("   ").Key(keys::kEnter);
    Script().Then([&] { ExpectCodeFieldOpen(); });
    Script().Key(keys::kDown);
    Script().Then([&] { ExpectCodeFieldOpen(); });
    RunEntryScreen();
    EXPECT_TRUE(harness_.StoredReadings().empty());
}

TEST_F(EntryKeysTest, ACodeWithBlanksAroundItIsStoredAsTyped) {
    Script().Text(" a b ").Keys({keys::kEnter, keys::kEnter});
    RunEntryScreen();
    EXPECT_EQ(StoredCodesAndQuantities(), (Stored{{" A B ", "1.0"}}));
}

TEST_F(EntryKeysTest, F1EmptiesTheFieldAndTypingGoesOn) {
    Script().Text("WRONG").Key(keys::kF1);
    Script().Then([&] { ExpectRows({"                  ", "1     ", "Digita codice      "}); });
    Script().Text("RIGHT").Key(keys::kEnter).Text("25").Key(keys::kF1);
    Script().Then([&] { ExpectQuantityFieldOpen("RIGHT             ", "      "); });
    Script().Text("4").Key(keys::kEnter);
    RunEntryScreen();
    EXPECT_EQ(StoredCodesAndQuantities(), (Stored{{"RIGHT", "4.0"}}));
}

TEST_F(EntryKeysTest, AnEmptyQuantityIsNotStoredAndTheFieldReopensWithOne) {
    Script().Text("A").Key(keys::kEnter).Key(keys::kF1).Key(keys::kEnter);
    Script().Then([&] { ExpectQuantityFieldOpen("A                 ", "1     "); });
    Script().Keys({keys::kF1, keys::kUp});
    Script().Then([&] { ExpectQuantityFieldOpen("A                 ", "1     "); });
    Script().Keys({keys::kF1, keys::kDown, keys::kEnter});
    RunEntryScreen();
    EXPECT_EQ(StoredCodesAndQuantities(), (Stored{{"A", "1.0"}}));
}

TEST_F(EntryKeysTest, EscInTheQuantityGoesBackToTheCodeWithNothingStored) {
    Script().Text("A").Key(keys::kEnter).Text("9").Key(keys::kEsc);
    Script().Then([&] { ExpectRows({"                  ", "1     ", "Digita codice      "}); });
    RunEntryScreen();
    EXPECT_TRUE(harness_.StoredReadings().empty());
}

// The archive browser and the readings list run from inside the field; afterwards the field
// ends unconfirmed: from the code the terminal prompt follows, from the quantity the code.
// With no readings both only say so, and Enter closes their dialog.
TEST_F(EntryKeysTest, F3AndF5LeaveTheQuantityForTheCodeWithNothingStored) {
    for (const console::KeyCode key : {keys::kF3, keys::kF5}) {
        SCOPED_TRACE(key);
        Script().Text("A").Key(keys::kEnter).Text("5").Key(key);
        Script().Then([&] { EXPECT_TRUE(ScreenShows(Cells(), "archivio!")); });
        Script().Key(keys::kEnter);
        Script().Then([&] { ExpectCodeFieldOpen(); });
        RunEntryScreen();
        EXPECT_TRUE(harness_.StoredReadings().empty());
    }
}

TEST_F(EntryKeysTest, F3AndF5InTheCodeLeadBackToTheTerminalPrompt) {
    for (const console::KeyCode key : {keys::kF3, keys::kF5}) {
        SCOPED_TRACE(key);
        Script().Text("7").Key(keys::kEnter).Text("A").Key(key);
        Script().Key(keys::kEnter);
        Script().Then([&] {
            EXPECT_TRUE(RowsAre(Cells(), 2, 5, {"     Terminale:      "}));
            EXPECT_TRUE(RowsAre(Cells(), 10, 8, {"7    "}));
        });
        Script().Keys({keys::kEsc, 'S'});
        RunAcquisition();
        EXPECT_EQ(Script().PendingKeys(), 0u);
    }
    EXPECT_TRUE(harness_.StoredReadings().empty());
}

void WaitForTheNextSecond(const Timestamp& now) {
    while (Timestamp::Now() == now) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST_F(EntryKeysTest, EachReadingIsStampedWhenItIsStored) {
    const Timestamp before_first = Timestamp::Now();
    Timestamp after_first;
    Timestamp before_second;
    Timestamp after_second;
    Script().Text("A").Keys({keys::kEnter, keys::kEnter});
    Script().Then([&] {
        after_first = Timestamp::Now();
        WaitForTheNextSecond(after_first);
        before_second = Timestamp::Now();
    });
    Script().Text("B").Keys({keys::kEnter, keys::kEnter});
    Script().Then([&] { after_second = Timestamp::Now(); });
    RunEntryScreen();

    const auto readings = harness_.StoredReadings();
    ASSERT_EQ(readings.size(), 2u);
    const auto first = Timestamp::FromSqlText(readings[0].date_time);
    const auto second = Timestamp::FromSqlText(readings[1].date_time);
    ASSERT_TRUE(first.has_value()) << readings[0].date_time;
    ASSERT_TRUE(second.has_value()) << readings[1].date_time;
    EXPECT_GE(*first, before_first);
    EXPECT_LE(*first, after_first);
    EXPECT_GE(*second, before_second);
    EXPECT_LE(*second, after_second);
    EXPECT_LT(*first, *second);
}

}  // namespace
}  // namespace tavix::acquisition
