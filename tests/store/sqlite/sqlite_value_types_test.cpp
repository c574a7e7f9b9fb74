#include "readings_file.hpp"

namespace tavix::store {
namespace {

using SqliteValueTypesTest = ReadingsFile;

// The file has no date type: a date and time is kept as SQLite's own text, which every SQLite
// tool reads, and a text that is no date stays that text.
TEST_F(SqliteValueTypesTest, DateTimeIsKeptAsSqliteTextAndOtherTextStaysText) {
    {
        Database database = OpenDatabase(path_);
        Recordset readings = database.OpenRecordset("Readings");
        readings.AddNew();
        readings.SetField("DateTime", Timestamp{2027, 1, 1, 0, 0, 0});
        readings.Update();
        readings.AddNew();
        readings.SetField("DateTime", "not a date");
        readings.Update();
    }
    SqliteFile other(path_);
    EXPECT_EQ(other.Text("SELECT DateTime FROM Readings WHERE id = 1"), "2027-01-01 00:00:00");
    Recordset readings = OpenDatabase(path_).OpenRecordset("Readings");
    readings.MoveLast();
    EXPECT_EQ(readings.Fields("DateTime"), Value("not a date"));
}

// A number written to the terminal stays a number in the file, as a text stays a text.
TEST_F(SqliteValueTypesTest, ATerminalKeepsTheTypeItWasWrittenWith) {
    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset("Readings");
    AddReading(readings, "A", 3.0);
    AddReading(readings, "B", "007");
    SqliteFile other(path_);
    EXPECT_EQ(other.Text("SELECT group_concat(typeof(terminal)) FROM Readings"), "real,text");
    readings.MoveFirst();
    EXPECT_EQ(readings.Fields("terminal"), Value(3.0));
}

}  // namespace
}  // namespace tavix::store
