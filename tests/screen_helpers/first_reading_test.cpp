#include "screen_helpers/first_reading.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <string>
#include <variant>

#include "screen_helpers/shared_state.hpp"
#include "store/database.hpp"
#include "support/program/program_harness.hpp"

namespace tavix::screen_helpers {
namespace {

using testing::ProgramHarness;
using namespace std::chrono_literals;

std::string CurrentCode() {
    const store::Value code = Readings().Fields("code");
    const auto* text = std::get_if<std::string>(&code);
    return text != nullptr ? *text : "(not a text)";
}

TEST(MoveToFirstReadingTest, MovesToTheFirstReadingOfTheCurrentOrder) {
    ProgramHarness harness;
    harness.StoreReading("B", 1, "1", {2026, 12, 6, 7, 5, 9});
    harness.StoreReading("A", 1, "1", {2026, 12, 6, 7, 5, 9});
    Readings().MoveLast();
    MoveToFirstReading("step");
    EXPECT_EQ(CurrentCode(), "B");
    Readings().SetIndex("Code");
    Readings().MoveLast();
    MoveToFirstReading("step");
    EXPECT_EQ(CurrentCode(), "A");
    EXPECT_TRUE(harness.LogLines().empty());
}

// No readings is what the caller's Eof shows; nothing failed.
TEST(MoveToFirstReadingTest, AnEmptyTableLeavesTheReadingsAtEofAndTheLogEmpty) {
    ProgramHarness harness;
    MoveToFirstReading("step");
    EXPECT_TRUE(Readings().Eof());
    EXPECT_TRUE(harness.LogLines().empty());
}

TEST(MoveToFirstReadingTest, WithoutADatabaseTheReasonIsLogged) {
    ProgramHarness harness(ProgramHarness::Database::kMissing);
    DatabasePath = harness.DatabasePath();
    MoveToFirstReading("archive: moving to the first reading");
    const auto lines = harness.LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(
        lines[0].ends_with("]: archive: moving to the first reading: the readings "
                           "database " +
                           harness.DatabasePath() + " is not open"))
        << lines[0];
}

// A file another program locked against reading before it was opened (an open connection in
// WAL mode keeps such a lock out) is not taken for an empty table.
TEST(MoveToFirstReadingTest, AFileLockedAgainstReadingIsLoggedNotTakenForEmpty) {
    ProgramHarness harness;
    harness.StoreReading("A", 1, "1", {2026, 12, 6, 7, 5, 9});
    ReadingsSet.reset();
    ReadingsDb.reset();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(harness.DatabasePath().c_str(), &other), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closed_at_end(other, sqlite3_close);
    for (const char* sql :
         {"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", "SELECT count(*) FROM Readings"}) {
        ASSERT_EQ(sqlite3_exec(other, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    ReadingsDb.emplace(store::OpenDatabase(harness.DatabasePath(), 100ms));
    ReadingsSet.emplace(ReadingsDb->OpenRecordset("Readings"));

    MoveToFirstReading("readings list: moving to the first reading");
    const auto lines = harness.LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("]: readings list: moving to the first reading: " +
                            harness.DatabasePath() + ": "),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find("locked"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace tavix::screen_helpers
