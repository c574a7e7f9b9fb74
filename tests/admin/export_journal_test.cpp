// A file in another journal mode than WAL makes a program storing a reading wait while an
// export reads it: so the export reads a copy of it, made at once.

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportJournalTest : public AdminStoreTest {};

TEST_F(ExportJournalTest, AFileNotInWalModeIsExportedWithoutHoldingUpAProgramStoring) {
    AddReadings(100000);  // far more than a pipe holds: the export stops halfway
    Sql("PRAGMA journal_mode = DELETE");
    AdminProcess exporting({"export", path_});
    exporting.ReadOutputUntil(100);
    EXPECT_NO_THROW(store_->StoreReadingsWithoutWaiting(20, "W"));
    const AdminResult result = exporting.Finish();
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "100000 readings written\n");
}

}  // namespace
}  // namespace tavix::testing
