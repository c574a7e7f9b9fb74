#include "support/failing_storage.hpp"

#include <string>
#include <vector>

#include "readings_file.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

using testing::FailingStorage;
using testing::FileRole;

// The readings file opened through a disk that can fail.
class FailingStorageTest : public ReadingsFile {
  protected:
    FailingStorage disk_;
    Database database_ = OpenDatabase(path_);
    Recordset readings_ = database_.OpenRecordset(table::kTable);

    // Adds a reading; the message of the StoreError when that fails, "" when it is stored.
    std::string TryToAdd(const std::string& code) {
        try {
            AddReading(readings_, code);
        } catch (const StoreError& error) {
            return error.what();
        }
        return "";
    }

    void ExpectSoundFile(std::size_t readings) {
        SqliteFile other(path_);
        EXPECT_EQ(other.Text("PRAGMA integrity_check"), "ok");
        EXPECT_EQ(other.Number("SELECT count(*) FROM Readings"),
                  static_cast<std::int64_t>(readings));
    }
};

// A commit is durable when Update returns only if the write-ahead log (or the rollback
// journal) was synced for it: a weaker setting of synchronous or journal_mode syncs nothing
// there and fails here.
TEST_F(FailingStorageTest, EveryUpdateAndDeleteSyncsTheJournalBeforeItReturns) {
    auto expect_synced = [&](const char* what, auto change) {
        const int before = disk_.Syncs(FileRole::kJournal);
        change();
        EXPECT_GE(disk_.Syncs(FileRole::kJournal) - before, 1) << what << " was not synced";
    };
    for (int i = 0; i < 5; ++i) {
        expect_synced("a new reading", [&] { AddReading(readings_, "A" + std::to_string(i)); });
    }
    readings_.MoveFirst();
    expect_synced("an edit", [&] {
        readings_.Edit();
        readings_.SetField(table::kQuantity, 7.0);
        readings_.Update();
    });
    expect_synced("a deletion", [&] { readings_.Delete(); });
    EXPECT_EQ(disk_.Refused(), 0);
    ExpectSoundFile(4);
}

// Each write and each sync of an Update in turn fails, and so does every later one until the
// disk heals: the failure is reported, nothing of the reading is stored, and the recordset
// and the file go on as before.
TEST_F(FailingStorageTest, AFailingWriteOrSyncIsReportedAndLeavesRecordsetAndFileSound) {
    struct Fault {
        const char* name;
        bool sync;
        int error;
        const char* reason;
    };
    const Fault faults[] = {
        {"write error", false, SQLITE_IOERR_WRITE, "disk I/O error"},
        {"full disk", false, SQLITE_FULL, "the disk is full"},
        {"sync error", true, SQLITE_IOERR_FSYNC, "disk I/O error"},
    };
    AddReading(readings_, "FIRST");
    std::vector<std::int64_t> stored = IdsForward(readings_);
    for (const Fault& fault : faults) {
        int failed_updates = 0;
        for (int nth = 1; nth <= 20; ++nth) {
            SCOPED_TRACE(std::string(fault.name) + " from call " + std::to_string(nth));
            if (fault.sync) {
                disk_.FailSyncsFrom(nth, fault.error);
            } else {
                disk_.FailWritesFrom(nth, fault.error);
            }
            const std::string message = TryToAdd("LOST");
            disk_.Heal();
            if (message.empty()) {
                break;  // the Update needed fewer calls than nth: the sweep is done
            }
            ++failed_updates;
            EXPECT_NE(message.find(path_ + ": cannot store the new record: " + fault.reason),
                      std::string::npos)
                << message;

            EXPECT_EQ(IdsForward(readings_), stored);
            EXPECT_EQ(TryToAdd("KEPT"), "");
            stored = IdsForward(readings_);
            readings_.MoveLast();
            EXPECT_EQ(std::get<std::string>(readings_.Fields(table::kCode)), "KEPT");
            ExpectSoundFile(stored.size());
        }
        EXPECT_GE(failed_updates, 1) << fault.name << ": no call of an Update failed";
        stored = IdsForward(readings_);  // the reading the sweep ended with
    }
    EXPECT_EQ(SqliteFile(path_).Number("SELECT count(*) FROM Readings WHERE code = 'LOST'"), 3)
        << "only the three that ended the sweeps are stored";
}

TEST_F(FailingStorageTest, AFailedEditKeepsTheStoredValue) {
    AddReading(readings_, "OLD");
    readings_.MoveFirst();
    readings_.Edit();
    readings_.SetField(table::kCode, "NEW");
    disk_.FailWritesFrom(1, SQLITE_IOERR_WRITE);
    EXPECT_THROW(readings_.Update(), StoreError);
    disk_.Heal();
    EXPECT_EQ(std::get<std::string>(readings_.Fields(table::kCode)), "OLD");
    EXPECT_EQ(SqliteFile(path_).Text("SELECT code FROM Readings"), "OLD");
    readings_.Edit();  // no transaction was left open
    readings_.SetField(table::kCode, "NEW");
    readings_.Update();
    EXPECT_EQ(SqliteFile(path_).Text("SELECT code FROM Readings"), "NEW");
    ExpectSoundFile(1);
}

// The disk is full before the file is opened: opening cannot even make the shared memory
// beside the file. Nothing that fails then may stick once there is room again.
class FullDiskAtOpeningTest : public ReadingsFile {
  protected:
    FailingStorage disk_;
};

TEST_F(FullDiskAtOpeningTest, TheFirstReadingOnceThereIsRoomIsStored) {
    disk_.FailWritesFrom(1, SQLITE_FULL);
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset(table::kTable);
    EXPECT_THROW(AddReading(readings, "LOST"), StoreError);
    EXPECT_THROW(readings.MoveFirst(), StoreError);
    EXPECT_GE(disk_.Refused(), 1);

    disk_.Heal();
    AddReading(readings, "KEPT");
    readings.MoveFirst();
    EXPECT_EQ(readings.Fields(table::kCode), Value("KEPT"));
    EXPECT_EQ(IdsForward(readings).size(), 1u);
    EXPECT_EQ(SqliteFile(path_).Text("SELECT group_concat(code) FROM Readings"), "KEPT");
}

// A file in the rollback-journal mode of another tool is switched to WAL by the first write;
// a switch the full disk refused is made by the first write that finds room.
TEST_F(FullDiskAtOpeningTest, ASwitchToWalTheFullDiskRefusedIsMadeLater) {
    ASSERT_EQ(SqliteFile(path_).Execute("PRAGMA journal_mode = DELETE"), SQLITE_OK);
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset(table::kTable);
    disk_.FailWritesFrom(1, SQLITE_FULL);
    EXPECT_THROW(AddReading(readings, "LOST"), StoreError);
    disk_.Heal();
    AddReading(readings, "KEPT");
    EXPECT_EQ(SqliteFile(path_).Text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(SqliteFile(path_).Text("SELECT group_concat(code) FROM Readings"), "KEPT");
}

}  // namespace
}  // namespace tavix::store
