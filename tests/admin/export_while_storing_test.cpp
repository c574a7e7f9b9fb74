// An export reads one snapshot and never holds up a program storing readings: while an export
// stands in the middle of a large table, the program's own store code stores readings with no
// patience at all for locks (a zero busy timeout), so any lock the export held would fail a
// store at once, without timing anything. The export holds exactly the readings that were
// there when it began; the store holds every reading.

#include <chrono>

#include "admin_store_test.hpp"
#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/recordset.hpp"

namespace tavix::testing {
namespace {

namespace table = store::readings_table;

constexpr int kReadingsBefore = 100000;  // several MiB of CSV: far more than a pipe holds
constexpr int kReadingsDuring = 200;

class ExportWhileStoringTest : public AdminStoreTest {};

void StoreReadings(const std::string& path, int count) {
    store::Database database = store::OpenDatabase(path, std::chrono::milliseconds(0));
    store::Recordset readings = database.OpenRecordset(table::kTable);
    for (int i = 0; i < count; ++i) {
        readings.AddNew();
        readings.SetField(table::kCode, store::Value("W" + std::to_string(i)));
        readings.SetField(table::kQuantity, store::Value(1.0));
        readings.SetField(table::kTerminal, store::Value("9"));
        readings.SetField(table::kDateTime, store::Value(store::Timestamp::Now()));
        readings.Update();
    }
}

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(ExportWhileStoringTest, ReadingsStoredDuringAnExportAreAllStoredAndNotExported) {
    AddReadings(kReadingsBefore);
    AdminProcess exporting({"export", path_});
    // The export has begun its read transaction once its first reading is out; it then blocks
    // on the full pipe until the test reads on.
    exporting.ReadOutputUntil(100);

    EXPECT_NO_THROW(StoreReadings(path_, kReadingsDuring));

    const AdminResult result = exporting.Finish();
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(LineCount(result.out), 1u + kReadingsBefore);
    EXPECT_EQ(result.out.find(",W"), std::string::npos);
    EXPECT_EQ(result.err, std::to_string(kReadingsBefore) + " readings written\n");
    EXPECT_EQ(Count("SELECT count(*) FROM Readings"), kReadingsBefore + kReadingsDuring);
    EXPECT_EQ(Count("SELECT count(*) FROM Readings WHERE code LIKE 'W%'"), kReadingsDuring);
}

TEST_F(ExportWhileStoringTest, AFileNotInWalModeIsExportedWithAWarning) {
    AddReadings(10);
    Sql("PRAGMA journal_mode = DELETE");
    const AdminResult result = RunAdmin({"export", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(LineCount(result.out), 11u);
    EXPECT_EQ(result.err, "tavix-admin: warning: " + path_ +
                              " is not in WAL mode: a program storing a reading waits until "
                              "this export ends\n10 readings written\n");
}

}  // namespace
}  // namespace tavix::testing
