#include <gtest/gtest.h>

#include "readings_file.hpp"
#include "store/readings_table.hpp"
#include "support/admin_process.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;
using testing::AdminResult;
using testing::RunAdmin;

TEST(TavixAdminTest, InitCreatesAnEmptyReadingsDatabaseOnce) {
    testing::TempDir dir;
    const std::string path = dir.File("tavix.mdb");
    const AdminResult created = RunAdmin({"init", path});
    EXPECT_EQ(created.exit_status, 0) << created.err;
    Recordset readings = OpenDatabase(path).OpenRecordset(table::kTable);
    EXPECT_TRUE(readings.Eof());

    AddReading(readings, "A");
    const AdminResult again = RunAdmin({"init", path});
    EXPECT_EQ(again.exit_status, 1);
    EXPECT_NE(again.err.find(path), std::string::npos) << again.err;
    readings.MoveFirst();
    EXPECT_EQ(readings.Fields(table::kCode), Value("A"));
}

}  // namespace
}  // namespace tavix::store
