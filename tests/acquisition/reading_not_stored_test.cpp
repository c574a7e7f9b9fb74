#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "acquisition/acquisition.hpp"
#include "program/main_menu.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/store_error.hpp"
#include "support/failing_storage.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::acquisition {
namespace {

namespace table = store::readings_table;

namespace keys = console::keys;
using testing::ProgramHarness;
using testing::RowsAre;
using testing::ScreenShows;
using testing::ScreenShowsAll;

const std::string kNotStored = "Lettura non salvata!";

// The message as the narrow console wraps it.
bool ShowsNotStored(const console::CellGrid& grid) {
    return ScreenShowsAll(grid, {"Lettura non", "salvata!", " Ok "});
}

// Terminal 1, code A, quantity 1: one reading confirmed at the first prompt.
void ConfirmOneReading(console::ScriptedTerminal& script) {
    script.Keys({keys::kEnter, 'A', keys::kEnter, keys::kEnter});
}

TEST(ReadingNotStoredTest, WithoutADatabaseTheOperatorIsToldAndAcquisitionEnds) {
    ProgramHarness harness(ProgramHarness::Database::kMissing);
    console::TextConsole& console = harness.Console();
    console.MessageText = "earlier text";
    console.MessageButtons = "Si#No";
    console.MessageChoice = 2;
    bool told = false;
    ConfirmOneReading(harness.Terminal());
    harness.Terminal().Then([&] {
        told = ShowsNotStored(harness.Cells()) && console.MessageText == kNotStored;
        EXPECT_FALSE(ScreenShows(harness.Cells(), " No "));
        // The dialog stands over the entry screen.
        EXPECT_TRUE(RowsAre(harness.Cells(), 3, 6, {"Codice:"}));
    });
    harness.Terminal().Key(keys::kEnter);

    EXPECT_THROW(RunAcquisition(), store::StoreError);
    EXPECT_TRUE(told) << "the operator was not told";
    EXPECT_FALSE(ScreenShows(harness.Cells(), "salvata!")) << "the dialog stayed";
    EXPECT_EQ(console.MessageText, "earlier text");
    EXPECT_EQ(console.MessageButtons, "Si#No");
    EXPECT_EQ(console.MessageChoice, 2);
}

TEST(ReadingNotStoredTest, ATerminationDuringTheMessageStillGivesTheSettingsBack) {
    ProgramHarness harness(ProgramHarness::Database::kMissing);
    console::TextConsole& console = harness.Console();
    console.MessageText = "earlier text";
    console.MessageButtons = "Si#No";
    console.MessageChoice = 2;
    ConfirmOneReading(harness.Terminal());
    harness.Terminal().Then([] { throw console::TerminationRequested{15}; });

    EXPECT_THROW(RunAcquisition(), console::TerminationRequested);
    EXPECT_EQ(console.MessageText, "earlier text");
    EXPECT_EQ(console.MessageButtons, "Si#No");
    EXPECT_EQ(console.MessageChoice, 2);
}

TEST(ReadingNotStoredTest, TheMainMenuFollowsTheMessage) {
    ProgramHarness harness(ProgramHarness::Database::kMissing);
    auto& script = harness.Terminal();
    script.Key(keys::kEnter);  // item 1, acquisition
    ConfirmOneReading(script);
    script.Then([&] { EXPECT_TRUE(ShowsNotStored(harness.Cells())); });
    script.Key(keys::kEnter);
    script.Then([&] {
        EXPECT_FALSE(ScreenShows(harness.Cells(), "salvata!"));
        EXPECT_TRUE(ScreenShows(harness.Cells(), "Inizia"));
        EXPECT_FALSE(ScreenShows(harness.Cells(), "Codice:"));
    });
    script.Keys({keys::kEsc, 'S'});
    program::RunMainMenu();
    EXPECT_EQ(script.PendingKeys(), 0u);
}

// The disk fails under the program itself, which opened the file through it at start-up.
TEST(ReadingNotStoredTest, AReadingTheDiskFailsToWriteIsReportedNotStoredAndTheProgramWorksOn) {
    ProgramHarness harness(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    testing::FailingStorage disk;
    auto& script = harness.Terminal();
    script.Keys({keys::kEsc, 'x', keys::kEnter});  // information screen, splash, Inizia
    ConfirmOneReading(script);
    script.Then([&] { disk.FailWritesFrom(1, SQLITE_IOERR_WRITE); });
    script.Keys({'B', keys::kEnter, keys::kEnter}).Then([&] {
        EXPECT_TRUE(ShowsNotStored(harness.Cells()));
        disk.Heal();
    });
    script.Key(keys::kEnter).Then([&] {
        EXPECT_TRUE(RowsAre(harness.Cells(), 3, 3, {"Inizia"}));
        EXPECT_FALSE(ScreenShows(harness.Cells(), "Codice:"));
    });
    script.Key(keys::kEnter);
    script.Keys({keys::kEnter, 'C', keys::kEnter, keys::kEnter}).Then([&] {
        EXPECT_TRUE(RowsAre(harness.Cells(), 3, 12, {"Digita codice"}));
    });
    script.Keys({keys::kEsc, keys::kEsc, 'S', keys::kEsc, 'S'});

    EXPECT_EQ(harness.RunMain(), 0);
    EXPECT_EQ(script.PendingKeys(), 0u);
    EXPECT_GE(disk.Refused(), 1);
    const auto readings = harness.StoredReadings();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].code, "A");
    EXPECT_EQ(readings[1].code, "C");
    EXPECT_EQ(harness.QueryText("PRAGMA integrity_check"), "ok");
}

// Exit statuses of the child that runs the program on a read-only file.
enum ChildResult {
    kToldAndEnded = 0,
    kCannotOpen = 1,
    kStoredWithoutFailing,
    kNotTold,
    kOtherFailure,
};

int ConfirmAReadingOnAReadOnlyFile(ProgramHarness& harness) {
    try {
        screen_helpers::ReadingsDb.emplace(store::OpenDatabase(harness.DatabasePath()));
        screen_helpers::ReadingsSet.emplace(
            screen_helpers::ReadingsDb->OpenRecordset(table::kTable));
    } catch (const store::StoreError&) {
        return kCannotOpen;
    }
    bool told = false;
    ConfirmOneReading(harness.Terminal());
    harness.Terminal().Then([&] { told = ShowsNotStored(harness.Cells()); });
    harness.Terminal().Key(keys::kEnter);
    try {
        RunAcquisition();
        return kStoredWithoutFailing;
    } catch (const store::StoreError&) {
        return told ? kToldAndEnded : kNotTold;
    } catch (...) {
        return kOtherFailure;
    }
}

TEST(ReadingNotStoredTest, OnAReadOnlyFileTheWriteIsRefusedAndTheOperatorTold) {
    namespace fs = std::filesystem;
    ProgramHarness harness;
    harness.StoreReading("OLD1", 1, "1", {2026, 12, 6, 7, 5, 9});
    harness.StoreReading("OLD2", 2, "1", {2026, 12, 6, 7, 5, 9});
    // Closed before the child starts: it must open the file as its own user, and closing
    // the last connection folds the write-ahead log into the file.
    screen_helpers::ReadingsSet.reset();
    screen_helpers::ReadingsDb.reset();
    ASSERT_FALSE(fs::exists(harness.DatabasePath() + "-wal"));
    fs::permissions(harness.DatabasePath(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(harness.Folder(), fs::perms::all);  // SQLite adds its shared memory beside it

    EXPECT_EQ(
        testing::RunAsUnprivilegedUser([&] { return ConfirmAReadingOnAReadOnlyFile(harness); }),
        kToldAndEnded);

    fs::permissions(harness.DatabasePath(), fs::perms::owner_read | fs::perms::owner_write);
    const auto readings = harness.StoredReadings();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].code, "OLD1");
    EXPECT_EQ(readings[1].code, "OLD2");
}

}  // namespace
}  // namespace tavix::acquisition
