// A file in another journal mode than WAL makes a program storing a reading wait while an
// export reads it: the export says so.

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportJournalTest : public AdminStoreTest {};

TEST_F(ExportJournalTest, AFileNotInWalModeIsExportedWithAWarning) {
    AddReadings(10);
    Sql("PRAGMA journal_mode = DELETE");
    const AdminResult result = RunAdmin({"export", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 11);
    EXPECT_EQ(result.err, "tavix-admin: warning: " + path_ +
                              " is not in WAL mode: a program storing a reading waits until "
                              "this export ends\n10 readings written\n");
}

}  // namespace
}  // namespace tavix::testing
