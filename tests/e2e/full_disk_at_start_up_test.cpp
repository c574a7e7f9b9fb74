#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "console/key_codes.hpp"
#include "support/failing_storage.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::testing {
namespace {

namespace keys = console::keys;

// The disk is full when the program starts, so that it cannot even open the file's shared
// memory. Readings fail while it stays full, and are stored again as soon as there is room,
// without a restart.
TEST(FullDiskAtStartUpTest, ReadingsAreStoredAgainOnceTheDiskHasRoom) {
    ProgramHarness harness(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    FailingStorage disk;
    disk.FailWritesFrom(1, SQLITE_FULL);
    auto& script = harness.Terminal();
    script.Keys({keys::kEsc, 'x', keys::kEnter});  // information screen, splash, Inizia
    script.Keys({keys::kEnter, 'A', keys::kEnter, keys::kEnter}).Then([&] {
        EXPECT_TRUE(ScreenShows(harness.Cells(), "salvata!"));
        disk.Heal();
    });
    script.Keys({keys::kEnter, keys::kEnter});  // Ok, and Inizia again
    script.Keys({keys::kEnter, 'B', keys::kEnter, keys::kEnter}).Then([&] {
        EXPECT_FALSE(ScreenShows(harness.Cells(), "salvata!"));
        EXPECT_TRUE(RowsAre(harness.Cells(), 3, 12, {"Digita codice"}));
    });
    script.Keys({keys::kEsc, keys::kEsc, 'S', keys::kEsc, 'S'});

    EXPECT_EQ(harness.RunMain(), 0);
    EXPECT_EQ(script.PendingKeys(), 0u);
    EXPECT_GE(disk.Refused(), 1);
    const auto readings = harness.StoredReadings();
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].code, "B");
    EXPECT_EQ(harness.QueryText("PRAGMA integrity_check"), "ok");
}

}  // namespace
}  // namespace tavix::testing
