#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

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

// Sessions storing as fast as they can take turns: SQLite's busy handler alone lets the session
// that has just committed take the lock again while the others sleep until they give up.
TEST_F(LockingTest, ManyWritersAtOnceAllGetThroughWithinAShortBusyTimeout) {
    constexpr int kWriters = 16, kEach = 40;
    std::vector<std::future<int>> stored;
    for (int writer = 0; writer < kWriters; ++writer) {
        stored.push_back(std::async(std::launch::async, [this, writer] {
            Database session = OpenDatabase(path_, milliseconds(400));
            Recordset readings = session.OpenRecordset(table::kTable);
            int count = 0;
            for (int reading = 0; reading < kEach; ++reading) {
                try {
                    AddReading(readings, std::to_string(writer * 100 + reading));
                    ++count;
                } catch (const StoreError&) {
                }
            }
            return count;
        }));
    }
    for (auto& writer : stored) {
        EXPECT_EQ(writer.get(), kEach);
    }
    EXPECT_EQ(SqliteFile(path_).Number("SELECT count(*) FROM Readings"), 1 + kWriters * kEach);
    struct stat database {
    }, queue{};
    ASSERT_EQ(::stat(path_.c_str(), &database), 0);
    ASSERT_EQ(::stat((path_ + "-writers").c_str(), &queue), 0);
    EXPECT_EQ(queue.st_mode & 0777, database.st_mode & 0666);
}

// Writers queued behind another program's lock hold up no reader.
TEST_F(LockingTest, AReaderDoesNotWaitForQueuedWriters) {
    SqliteFile other(path_);
    ASSERT_EQ(other.Execute("BEGIN IMMEDIATE"), SQLITE_OK);
    std::vector<std::future<void>> writers;
    for (const char* code : {"first", "second"}) {
        writers.push_back(std::async(std::launch::async, [this, code] {
            Database session = OpenDatabase(path_, milliseconds(5000));
            Recordset readings = session.OpenRecordset(table::kTable);
            AddReading(readings, code);
        }));
    }
    std::this_thread::sleep_for(milliseconds(200));  // both in line: one at the lock, one queued
    const auto start = Clock::now();
    Database browser = OpenDatabase(path_, milliseconds(5000));
    Recordset readings = browser.OpenRecordset(table::kTable);
    readings.MoveLast();
    EXPECT_EQ(std::get<std::string>(readings.Fields(table::kCode)), "A");
    EXPECT_LT(Since(start), milliseconds(150));
    ASSERT_EQ(other.Execute("COMMIT"), SQLITE_OK);
    for (auto& writer : writers) {
        EXPECT_NO_THROW(writer.get());
    }
}

// Without a queue (its file cannot be made), writers wait as SQLite alone has them, and the
// first failure to get the lock says why.
TEST_F(LockingTest, WritersStoreWithoutTheQueueWhenItsFileCannotBeMade) {
    ASSERT_EQ(::unlink((path_ + "-writers").c_str()), 0);  // made by the fixture's first reading
    ASSERT_EQ(::mkdir((path_ + "-writers").c_str(), 0755), 0);
    Database session = OpenDatabase(path_, milliseconds(300));
    Recordset readings = session.OpenRecordset(table::kTable);
    AddReading(readings, "unqueued");
    SqliteFile other(path_);
    ASSERT_EQ(other.Execute("BEGIN IMMEDIATE"), SQLITE_OK);
    std::vector<std::string> failures;
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            AddReading(readings, "refused");
        } catch (const StoreError& error) {
            failures.emplace_back(error.what());
        }
    }
    ASSERT_EQ(failures.size(), 2U);
    EXPECT_NE(failures[0].find("not taking turns"), std::string::npos) << failures[0];
    EXPECT_EQ(failures[1].find("not taking turns"), std::string::npos) << failures[1];
    ASSERT_EQ(other.Execute("COMMIT"), SQLITE_OK);
    EXPECT_EQ(other.Number("SELECT count(*) FROM Readings"), 2);
}

}  // namespace
}  // namespace tavix::store
