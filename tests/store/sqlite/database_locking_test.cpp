#include <chrono>
#include <thread>

#include "readings_file.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class LockingTest : public ReadingsFile {
  protected:
    LockingTest() {
        AddReading(readings_, "A");
        readings_.MoveFirst();
    }

    Database database_ = OpenDatabase(path_, milliseconds(300));
    Recordset readings_ = database_.OpenRecordset(table::kTable);
};

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST_F(LockingTest, AWriterGivesUpAfterTheBusyTimeoutAndStoresNothing) {
    SqliteFile other(path_);
    ASSERT_EQ(other.Execute("BEGIN IMMEDIATE"), SQLITE_OK);

    EXPECT_EQ(std::get<std::string>(readings_.Fields(table::kCode)), "A");  // reading goes on
    const auto start = Clock::now();
    readings_.AddNew();
    readings_.SetField(table::kCode, "B");
    try {
        readings_.Update();
        ADD_FAILURE() << "Update succeeded while another program held the lock";
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find("locked"), std::string::npos) << error.what();
    }
    const milliseconds waited = Since(start);
    EXPECT_GE(waited, milliseconds(250));
    EXPECT_LT(waited, milliseconds(3000));
    EXPECT_THROW(readings_.Edit(), StoreError);
    EXPECT_THROW(readings_.Delete(), StoreError);

    ASSERT_EQ(other.Execute("COMMIT"), SQLITE_OK);
    EXPECT_EQ(other.Number("SELECT count(*) FROM Readings"), 1);
    readings_.Edit();  // the lock is free again
    readings_.SetField(table::kCode, "C");
    readings_.Update();
    EXPECT_EQ(other.Text("SELECT code FROM Readings"), "C");
}

TEST_F(LockingTest, AWriterWaitsForALockHeldLessThanTheTimeout) {
    Database patient = OpenDatabase(path_, milliseconds(5000));
    Recordset readings = patient.OpenRecordset(table::kTable);
    SqliteFile other(path_);
    ASSERT_EQ(other.Execute("BEGIN IMMEDIATE"), SQLITE_OK);
    ASSERT_EQ(other.Execute("INSERT INTO Readings (code) VALUES ('held')"), SQLITE_OK);
    std::thread holder([&other] {
        std::this_thread::sleep_for(milliseconds(400));
        other.Execute("COMMIT");
    });

    const auto start = Clock::now();
    readings.Edit();
    readings.SetField(table::kCode, "after");
    readings.Update();
    const milliseconds waited = Since(start);
    holder.join();
    EXPECT_GE(waited, milliseconds(300));
    EXPECT_EQ(other.Number("SELECT count(*) FROM Readings WHERE code IN ('held', 'after')"), 2);
}

}  // namespace
}  // namespace tavix::store
