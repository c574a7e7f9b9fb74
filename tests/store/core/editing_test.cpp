#include <chrono>

#include "readings_store.hpp"
#include "store/readings_table.hpp"
#include "store/value_text.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

class EditingTest : public ReadingsStoreTest {};
using Outcome = OtherSession::Outcome;
using Ids = std::vector<std::int64_t>;
using std::chrono::milliseconds;

// Four readings A, B, C, D with ids 1 to 4.
class FourReadings : public ReadingsStoreTest {
  protected:
    FourReadings() {
        for (const char* code : {"A", "B", "C", "D"}) {
            AddReading(readings_, code);
        }
        readings_.MoveFirst();
    }

    void MoveToId(std::int64_t id) {
        for (readings_.MoveFirst(); CurrentId(readings_) != id; readings_.MoveNext()) {
        }
    }

    Database database_ = OpenDatabase(target_, milliseconds(100));
    Recordset readings_ = database_.OpenRecordset(table::kTable);
    std::unique_ptr<OtherSession> other_ = store_.Other();
};

TEST_P(EditingTest, FieldsReadBackAsWrittenAndEachUpdateIsStoredAtOnce) {
    Database database = OpenDatabase(target_);
    Recordset readings = database.OpenRecordset(table::kTable);
    const Timestamp stamp{2026, 12, 6, 7, 5, 9};
    readings.AddNew();
    readings.SetField(table::kCode, "A1");
    readings.SetField(table::kQuantity, 2.5);
    readings.SetField(table::kDateTime, stamp);
    readings.SetField(table::kTerminal, "007");
    readings.Update();

    Recordset other = OpenDatabase(target_).OpenRecordset(table::kTable);
    EXPECT_EQ(other.Fields(table::kCode), Value("A1"));
    EXPECT_EQ(other.Fields(table::kQuantity), Value(2.5));
    EXPECT_EQ(other.Fields(table::kDateTime), Value(stamp));
    EXPECT_EQ(other.Fields(table::kTerminal), Value("007"));  // a text, leading zeros kept

    // A number written to the terminal reads as that number: the number itself from the file,
    // its general form from the server's text column.
    readings.MoveFirst();
    readings.Edit();
    readings.SetField(table::kTerminal, 3.0);
    readings.Update();
    EXPECT_EQ(
        GeneralForm(OpenDatabase(target_).OpenRecordset(table::kTable).Fields(table::kTerminal)),
        "3");

    readings.Edit();
    readings.SetField(table::kTerminal, "");
    readings.Update();
    EXPECT_EQ(OpenDatabase(target_).OpenRecordset(table::kTable).Fields(table::kTerminal),
              Value(""));
    EXPECT_EQ(readings.Fields(table::kCode), Value("A1"));  // the edited record stays current
}

TEST_P(FourReadings, AddNewKeepsTheCurrentRecordAndAddsAtTheEnd) {
    MoveToId(2);
    readings_.AddNew();
    readings_.SetField(table::kCode, "E");
    EXPECT_EQ(readings_.Fields(table::kCode), Value("E"));    // the pending record's value
    EXPECT_TRUE(IsNull(readings_.Fields(table::kTerminal)));  // not assigned yet
    readings_.Update();
    EXPECT_EQ(CurrentId(readings_), 2);
    EXPECT_EQ(IdsForward(readings_), (Ids{1, 2, 3, 4, 5}));
}

TEST_P(FourReadings, DeleteInTheMiddleLeavesNoCurrentRecordUntilAMove) {
    MoveToId(2);
    readings_.Delete();
    EXPECT_THROW(readings_.Fields(table::kCode), StoreError);
    EXPECT_THROW(readings_.Bookmark(), StoreError);
    EXPECT_THROW(readings_.Delete(), StoreError);
    EXPECT_FALSE(readings_.Eof());
    EXPECT_FALSE(readings_.Bof());
    readings_.MoveNext();
    EXPECT_EQ(CurrentId(readings_), 3);

    readings_.Delete();
    readings_.MovePrevious();
    EXPECT_EQ(CurrentId(readings_), 1);
    EXPECT_EQ(IdsForward(readings_), (Ids{1, 4}));
    EXPECT_EQ(other_->Number("SELECT count(*) FROM Readings"), 2);
}

TEST_P(FourReadings, DeleteInCodeOrderMovesToTheNeighboursInCodeOrder) {
    AddReading(readings_, "B");  // id 5: code order is 1, 2, 5, 3, 4
    readings_.SetIndex(table::kCodeIndex);
    MoveToId(2);
    readings_.Delete();
    readings_.MoveNext();
    EXPECT_EQ(CurrentId(readings_), 5);
    readings_.Delete();
    readings_.MovePrevious();
    EXPECT_EQ(CurrentId(readings_), 1);
}

TEST_P(FourReadings, SelectingTheIndexRightAfterADeleteStepsFromTheDeletedCode) {
    AddReading(readings_, "A");  // id 5: code order is 1, 5, 2, 3, 4
    MoveToId(2);
    readings_.Delete();
    readings_.SetIndex(table::kCodeIndex);
    readings_.MovePrevious();
    EXPECT_EQ(CurrentId(readings_), 5);
}

TEST_P(FourReadings, DeletingTheLastRecordMovesPastTheEnd) {
    readings_.MoveLast();
    readings_.Delete();
    readings_.MoveNext();
    EXPECT_TRUE(readings_.Eof());
    readings_.MoveFirst();
    EXPECT_EQ(CurrentId(readings_), 1);
}

TEST_P(EditingTest, DeletingTheOnlyRecordLeavesAnEmptyTable) {
    Database database = OpenDatabase(target_);
    Recordset readings = database.OpenRecordset(table::kTable);
    AddReading(readings, "A");
    readings.MoveFirst();
    readings.Delete();
    readings.MoveNext();
    EXPECT_TRUE(readings.Eof());
    readings.MoveFirst();
    EXPECT_TRUE(readings.Eof());
    EXPECT_TRUE(readings.Bof());
    EXPECT_EQ(store_.Other()->Number("SELECT count(*) FROM Readings"), 0);
}

TEST_P(FourReadings, MisuseFailsAndChangesNothing) {
    EXPECT_THROW(readings_.Update(), StoreError);  // nothing pending
    EXPECT_THROW(readings_.SetField(table::kCode, "X"), StoreError);
    EXPECT_THROW(readings_.Fields("colour"), StoreError);
    readings_.Edit();
    EXPECT_THROW(readings_.SetField("colour", "X"), StoreError);
    readings_.SetField(table::kCode, "X");
    readings_.CancelUpdate();
    EXPECT_THROW(readings_.Update(), StoreError);
    EXPECT_EQ(readings_.Fields(table::kCode), Value("A"));
}

// A pending Edit holds the edited record (the file's write lock, or the row on the server);
// anything that leaves it must let go, or the other program (and the next write here) would
// wait for nothing.
TEST_P(FourReadings, AMoveOrCloseDropsAPendingEditAndItsLock) {
    readings_.Edit();
    readings_.SetField(table::kCode, "X");
    EXPECT_EQ(other_->Execute("UPDATE Readings SET qt = 9 WHERE id = 1"), Outcome::kBusy);
    readings_.MoveNext();
    EXPECT_EQ(other_->Execute("UPDATE Readings SET qt = 9 WHERE id = 1"), Outcome::kDone);
    EXPECT_EQ(other_->Text("SELECT code FROM Readings WHERE id = 1"), "A");
    EXPECT_THROW(readings_.Update(), StoreError);

    readings_.Edit();
    readings_.Close();
    EXPECT_EQ(other_->Execute("UPDATE Readings SET qt = 8 WHERE id = 2"), Outcome::kDone);
    EXPECT_THROW(readings_.MoveFirst(), StoreError);
}

TEST_P(FourReadings, AFailedUpdateStoresNothingAndReleasesTheLock) {
    readings_.Edit();
    readings_.SetField(table::kCode, "X");
    readings_.SetField(table::kId, std::int64_t{2});  // taken by B
    EXPECT_THROW(readings_.Update(), StoreError);
    EXPECT_THROW(readings_.Update(), StoreError);  // nothing left pending
    EXPECT_EQ(other_->Execute("UPDATE Readings SET qt = 9 WHERE id = 1"), Outcome::kDone);
    EXPECT_EQ(other_->Text("SELECT code FROM Readings WHERE id = 1"), "A");
}

// An edit that changes the key moves the record in code order: the steps that follow, and
// the neighbours of a deletion, start from where it stands now, not from its old key.
TEST_P(FourReadings, AnEditedKeyMovesTheRecordToItsNewPlaceInCodeOrder) {
    readings_.SetIndex(table::kCodeIndex);
    readings_.Seek("=", Value("C"));
    readings_.Edit();
    readings_.SetField(table::kCode, "0C");  // now first: 0C, A, B, D
    readings_.Update();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("0C"));
    readings_.MovePrevious();
    EXPECT_TRUE(readings_.Bof());
    readings_.MoveNext();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("0C"));
    readings_.MoveNext();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("A"));

    readings_.Seek("=", Value("A"));
    readings_.Edit();
    readings_.SetField(table::kCode, "Z");  // now last: 0C, B, D, Z
    readings_.Update();
    readings_.MoveNext();
    EXPECT_TRUE(readings_.Eof());
    readings_.MovePrevious();
    readings_.MovePrevious();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("D"));

    readings_.Seek("=", Value("B"));
    readings_.Edit();
    readings_.SetField(table::kCode, "C");  // 0C, C, D, Z
    readings_.Update();
    readings_.Delete();
    readings_.MoveNext();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("D"));
}

// In the table's own order the key plays no part: an edited record keeps its place.
TEST_P(FourReadings, AnEditedKeyKeepsTheRecordsPlaceInTheTablesOrder) {
    MoveToId(3);
    readings_.Edit();
    readings_.SetField(table::kCode, "0C");
    readings_.Update();
    readings_.MovePrevious();
    EXPECT_EQ(CurrentId(readings_), 2);
    readings_.MoveNext();
    readings_.MoveNext();
    EXPECT_EQ(CurrentId(readings_), 4);
    MoveToId(3);
    readings_.SetIndex(table::kCodeIndex);  // code order takes the record up under its new key
    EXPECT_EQ(CurrentId(readings_), 3);
    readings_.MoveNext();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("A"));
}

TEST_P(FourReadings, EditOfARecordAnotherProgramDeletedFails) {
    ASSERT_EQ(other_->Execute("DELETE FROM Readings WHERE id = 1"), Outcome::kDone);
    EXPECT_THROW(readings_.Edit(), StoreError);
    EXPECT_THROW(readings_.Fields(table::kCode), StoreError);
    EXPECT_EQ(other_->Execute("UPDATE Readings SET qt = 9 WHERE id = 4"),
              Outcome::kDone);  // no lock
    readings_.MoveNext();
    EXPECT_EQ(CurrentId(readings_), 2);
}

TAVIX_ON_BOTH_STORES(EditingTest);
TAVIX_ON_BOTH_STORES(FourReadings);

}  // namespace
}  // namespace tavix::store
