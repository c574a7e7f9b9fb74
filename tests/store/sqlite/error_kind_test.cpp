#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <string>

#include "readings_file.hpp"
#include "support/failing_storage.hpp"

namespace tavix::store {
namespace {

using std::chrono::milliseconds;

// The kind of the StoreError that action throws; the test fails when it throws none.
ErrorKind KindOfFailure(const std::function<void()>& action) {
    try {
        action();
    } catch (const StoreError& error) {
        return error.Kind();
    }
    ADD_FAILURE() << "no StoreError";
    return ErrorKind::kOther;
}

class ErrorKindTest : public ReadingsFile {
  protected:
    ErrorKindTest() {
        Database database = OpenDatabase(path_);
        Recordset readings = database.OpenRecordset("Readings");
        for (int i = 0; i < 3; ++i) {
            AddReading(readings, "C" + std::to_string(i));
        }
    }
};

TEST_F(ErrorKindTest, ALockHeldTooLongIsBusy) {
    Database database = OpenDatabase(path_, milliseconds(50));
    Recordset readings = database.OpenRecordset("Readings");
    SqliteFile other(path_);
    ASSERT_EQ(other.Execute("BEGIN IMMEDIATE"), SQLITE_OK);
    EXPECT_EQ(KindOfFailure([&] { AddReading(readings, "X"); }), ErrorKind::kBusy);
    EXPECT_EQ(KindOfFailure([&] { readings.Edit(); }), ErrorKind::kBusy);
    other.Execute("ROLLBACK");
}

TEST_F(ErrorKindTest, AMissingTableColumnOrIndex) {
    Database database = OpenDatabase(path_);
    EXPECT_EQ(KindOfFailure([&] { database.OpenRecordset("Nothing"); }), ErrorKind::kNoSuchTable);
    Recordset readings = database.OpenRecordset("Readings");
    EXPECT_EQ(KindOfFailure([&] { readings.Fields("colour"); }), ErrorKind::kNoSuchTable);
    EXPECT_EQ(KindOfFailure([&] { readings.SetIndex("Colour"); }), ErrorKind::kNoSuchTable);
}

TEST_F(ErrorKindTest, ABrokenRuleOfTheTableIsAConstraint) {
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset("Readings");
    readings.Edit();
    readings.SetField("id", std::int64_t{2});  // taken
    EXPECT_EQ(KindOfFailure([&] { readings.Update(); }), ErrorKind::kConstraint);
}

TEST_F(ErrorKindTest, MisuseIsOther) {
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset("Readings");
    EXPECT_EQ(KindOfFailure([&] { readings.Update(); }), ErrorKind::kOther);
    EXPECT_EQ(KindOfFailure([&] { readings.SetBookmark("x"); }), ErrorKind::kOther);
}

TEST_F(ErrorKindTest, AFileThatIsNotADatabaseIsCorruptAndAMissingOneAnIoFailure) {
    const std::string text = folder_.File("text.mdb");
    std::ofstream(text) << "code;qt\nA;1\n";
    EXPECT_EQ(KindOfFailure([&] { OpenDatabase(text); }), ErrorKind::kCorrupt);
    EXPECT_EQ(KindOfFailure([&] {
                  OpenDatabase(folder_.File("missing.mdb")).OpenRecordset("Readings").Eof();
              }),
              ErrorKind::kIo);
}

TEST_F(ErrorKindTest, AFullDiskIsAnIoFailure) {
    testing::FailingStorage disk;  // before the file is opened, so that it writes through it
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset("Readings");
    disk.FailWritesFrom(1, SQLITE_FULL);
    EXPECT_EQ(KindOfFailure([&] { AddReading(readings, "X"); }), ErrorKind::kIo);
}

// Moving to the first reading of a damaged index is a failure of its own kind, not an empty
// table: the caller must be able to tell the two apart.
TEST_F(ErrorKindTest, MovingToTheFirstReadingOfADamagedFileFailsAsCorrupt) {
    std::int64_t index_page = 0;
    {
        SqliteFile other(path_);
        ASSERT_EQ(other.Execute("PRAGMA wal_checkpoint(TRUNCATE)"), SQLITE_OK);
        index_page = other.Number("SELECT rootpage FROM sqlite_schema WHERE name = 'Code'");
        ASSERT_GT(index_page, 1);
    }
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset("Readings");
    readings.SetIndex("Code");
    {
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp((index_page - 1) * 4096);
        file << std::string(4096, '\xee');
    }
    EXPECT_EQ(KindOfFailure([&] { readings.MoveFirst(); }), ErrorKind::kCorrupt);
}

}  // namespace
}  // namespace tavix::store
