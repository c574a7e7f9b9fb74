#include "readings_server.hpp"
#include "store/core/stored_text.hpp"
#include "store/value_text.hpp"
#include "text/code_page_text.hpp"

namespace tavix::store {
namespace {

using StoredValuesTest = ReadingsOnServer;

// terminal is text on the server: a number written to it (the archive browser's terminal
// editor gives one) is stored as its general form, and reads back as that text.
TEST_F(StoredValuesTest, ANumberWrittenToTheTerminalIsStoredAsItsGeneralForm) {
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    AddReading(readings, "A", 6.0);
    AddReading(readings, "B", 2.5);
    AddReading(readings, "C", "007");
    EXPECT_EQ(ValueOf("SELECT string_agg(terminal, ',' ORDER BY id) FROM readings"), "6,2.5,007");
    readings.MoveFirst();
    EXPECT_EQ(readings.Fields("terminal"), Value("6"));
    readings.Edit();
    readings.SetField("terminal", 12.0);
    readings.Update();
    EXPECT_EQ(ValueOf("SELECT terminal FROM readings WHERE id = 1"), "12");
}

TEST_F(StoredValuesTest, FieldsReadBackWithTheirTypes) {
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    const Timestamp stamp{2026, 12, 7, 23, 59, 58};
    readings.AddNew();
    readings.SetField("code", "A1");
    readings.SetField("qt", 0.1);
    readings.SetField("DateTime", stamp);
    readings.Update();
    readings.AddNew();
    readings.Update();  // nothing assigned: every field NULL but the keys

    readings.MoveFirst();
    EXPECT_EQ(readings.Fields("id"), Value(std::int64_t{1}));
    EXPECT_EQ(readings.Fields("qt"), Value(0.1));  // the same double, not a rounded one
    EXPECT_EQ(readings.Fields("DateTime"), Value(stamp));
    EXPECT_EQ(ValueOf("SELECT DateTime FROM readings WHERE id = 1"), "2026-12-07 23:59:58");
    readings.MoveNext();
    for (const char* field : {"code", "qt", "terminal", "DateTime"}) {
        EXPECT_TRUE(IsNull(readings.Fields(field))) << field;
    }
}

// Texts are UTF-8 on the server and in the code page in the program. A character the code page
// lacks reads as the stand-in, and a text written back as it was read keeps it.
TEST_F(StoredValuesTest, TextsCrossTheStoresEdgeAsInTheFile) {
    administrator_.Execute("INSERT INTO readings (code) VALUES ('caf\u00e9 \u20ac'), ('\u65e5')",
                           "store readings as another tool");
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    EXPECT_EQ(readings.Fields("code"), Value(std::string("caf\xe9 \x80")));
    readings.MoveNext();
    const Value kept = readings.Fields("code");
    EXPECT_EQ(kept, Value(std::string(1, text::kStandIn)));
    readings.Edit();
    readings.SetField("code", kept);
    readings.Update();
    EXPECT_EQ(ValueOf("SELECT code FROM readings WHERE id = 2"), "\u65e5");
    readings.SetIndex("Code");
    readings.Seek("=", std::string("caf\xe9 \x80"));
    EXPECT_FALSE(readings.NoMatch());
    EXPECT_EQ(CurrentId(readings), 1);
}

}  // namespace
}  // namespace tavix::store
