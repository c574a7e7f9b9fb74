#include "store/pending_edit.hpp"

#include <chrono>
#include <stdexcept>

#include "readings_file.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

// One reading, A, current in a recordset that gives up a lock it cannot get at once.
class PendingEditTest : public ReadingsFile {
  protected:
    PendingEditTest() {
        AddReading(readings_, "A");
        readings_.MoveFirst();
    }

    Database database_ = OpenDatabase(path_, std::chrono::milliseconds(100));
    Recordset readings_ = database_.OpenRecordset(table::kTable);
};

TEST_F(PendingEditTest, AFailureBeforeCommitUndoesTheEditAndGivesUpItsLock) {
    SqliteFile other(path_);
    try {
        PendingEdit edit = PendingEdit::OfCurrentRecord(readings_);
        readings_.SetField(table::kCode, "X");
        EXPECT_EQ(other.Execute("UPDATE Readings SET qt = 9"), SQLITE_BUSY);
        throw std::runtime_error("a step between the edit and its commit failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(other.Execute("UPDATE Readings SET qt = 9"), SQLITE_OK);
    EXPECT_EQ(other.Text("SELECT code FROM Readings"), "A");
    EXPECT_THROW(readings_.Update(), StoreError);  // nothing left pending
    EXPECT_EQ(readings_.Fields(table::kCode), Value("A"));
}

TEST_F(PendingEditTest, ANewRecordLeftUncommittedIsNeitherStoredNorPending) {
    try {
        PendingEdit reading = PendingEdit::OfNewRecord(readings_);
        readings_.SetField(table::kCode, "B");
        readings_.SetField("colour", "red");  // no such field: fails half way
        reading.Commit();
    } catch (const StoreError&) {
    }
    EXPECT_THROW(readings_.Update(), StoreError);
    EXPECT_EQ(SqliteFile(path_).Number("SELECT count(*) FROM Readings"), 1);
    EXPECT_EQ(readings_.Fields(table::kCode), Value("A"));  // not the empty fields of a new record
}

TEST_F(PendingEditTest, ACommittedEditStaysAndACancelledOneWritesNothing) {
    {
        PendingEdit edit = PendingEdit::OfCurrentRecord(readings_);
        readings_.SetField(table::kCode, "X");
        edit.Commit();
    }
    {
        PendingEdit edit = PendingEdit::OfCurrentRecord(readings_);
        readings_.SetField(table::kCode, "Y");
        edit.Cancel();
    }
    SqliteFile other(path_);
    EXPECT_EQ(other.Text("SELECT code FROM Readings"), "X");
    EXPECT_EQ(other.Execute("UPDATE Readings SET qt = 9"), SQLITE_OK);
}

// Closing the recordset drops the edit; giving it up afterwards fails, and that failure must
// not leave the scope, which may be ending because of another one.
TEST_F(PendingEditTest, GivingUpAnEditOfAClosedRecordsetThrowsNothing) {
    EXPECT_NO_THROW({
        PendingEdit edit = PendingEdit::OfCurrentRecord(readings_);
        readings_.Close();
    });
    EXPECT_THROW(readings_.CancelUpdate(), StoreError);
    EXPECT_EQ(SqliteFile(path_).Execute("UPDATE Readings SET qt = 9"), SQLITE_OK);
}

}  // namespace
}  // namespace tavix::store
