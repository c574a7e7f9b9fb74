// A file in another journal mode than WAL: an export reads a copy of its snapshot, so a program
// storing a reading does not wait for the export to end (as in export_while_storing_test, any
// lock the export held would fail a store at once).

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportJournalTest : public AdminStoreTest {};

TEST_F(ExportJournalTest, AFileNotInWalModeIsExportedWithoutHoldingUpAProgramStoring) {
    constexpr int kReadings = 100000;  // far more than a pipe holds
    AddReadings(kReadings);
    Sql("PRAGMA journal_mode = DELETE");
    AdminProcess exporting({"export", path_});
    exporting.ReadOutputUntil(100);
    EXPECT_NO_THROW(store_->StoreReadingsWithoutWaiting(20, "W"));
    const AdminResult result = exporting.Finish();
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), kReadings + 1);
    EXPECT_EQ(result.err, std::to_string(kReadings) + " readings written\n");
}

}  // namespace
}  // namespace tavix::testing
