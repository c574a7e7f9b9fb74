// A reading the operator was told is not stored leaves one line in the diagnostic log, with
// what is needed to type it again and why it was not stored.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/failing_storage.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::acquisition {
namespace {

namespace keys = console::keys;
using testing::ProgramHarness;
using testing::ScreenShowsAll;

// The disk fails under the program, which opened the file through it at start-up.
TEST(NotStoredLogTest, AReadingTheDiskRefusesIsLoggedOnceWithItsValuesAndTheReason) {
    ProgramHarness harness(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    testing::FailingStorage disk;
    auto& script = harness.Terminal();
    script.Keys({keys::kEsc, 'x', keys::kEnter});  // information screen, splash, Inizia
    script.Text("3").Key(keys::kEnter);
    script.Then([&] { disk.FailWritesFrom(1, SQLITE_IOERR_WRITE); });
    script.Text("0012").Key(keys::kEnter).Text("25").Key(keys::kEnter).Then([&] {
        EXPECT_TRUE(ScreenShowsAll(harness.Cells(), {"Lettura non", "salvata!"}));
        disk.Heal();
    });
    script.Key(keys::kEnter);  // Ok: the main menu follows
    script.Keys({keys::kEsc, 'S'});
    const std::string log = harness.Folder() + "/readings.log";
    EXPECT_EQ(harness.RunMain({"--log", log}), 0);
    EXPECT_EQ(script.PendingKeys(), 0u);

    std::ifstream file(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    const std::string text = lines[0].substr(lines[0].find("]: ") + 3);
    EXPECT_TRUE(
        text.starts_with("storing a reading (terminal 3, code 0012, quantity 25): not "
                         "stored: " +
                         harness.DatabasePath() + ": "))
        << text;
    EXPECT_TRUE(harness.StoredReadings().empty());
}

}  // namespace
}  // namespace tavix::acquisition
