// An export reads one snapshot and never holds up a program storing readings: while an export
// stands in the middle of a large table, readings are stored one transaction each with no
// patience at all for locks, so any lock the export held would fail a store at once, without
// timing anything. The export holds exactly the readings that were there when it began; the
// store holds every reading.

#include <chrono>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

constexpr int kReadingsBefore = 100000;  // several MiB of CSV: far more than a pipe holds
constexpr int kReadingsDuring = 200;

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ExportWhileStoringTest : public AnyStoreTest {};

TEST_P(ExportWhileStoringTest, ReadingsStoredDuringAnExportAreAllStoredAndNotExported) {
    AddReadings(kReadingsBefore);
    AdminProcess exporting({"export", path_});
    // The export has begun its read transaction once its first reading is out; it then blocks
    // on the full pipe until the test reads on.
    exporting.ReadOutputUntil(100);

    EXPECT_NO_THROW(store_->StoreReadingsWithoutWaiting(kReadingsDuring, "W"));

    const AdminResult result = exporting.Finish();
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(LineCount(result.out), 1u + kReadingsBefore);
    EXPECT_EQ(result.out.find(",W"), std::string::npos);
    EXPECT_EQ(result.err, std::to_string(kReadingsBefore) + " readings written\n");
    EXPECT_EQ(Count("SELECT count(*) FROM Readings"), kReadingsBefore + kReadingsDuring);
    EXPECT_EQ(Count("SELECT count(*) FROM Readings WHERE code LIKE 'W%'"), kReadingsDuring);
}

TAVIX_ON_EVERY_STORE_KIND(ExportWhileStoringTest);

}  // namespace
}  // namespace tavix::testing
