#include <sqlite3.h>

#include <functional>

#include "../postgres/commit_cut_proxy.hpp"
#include "readings_store.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

// What a screen reads of the reading it shows.
void ReadShown(Recordset& readings) {
    for (const std::string_view field :
         {table::kId, table::kCode, table::kQuantity, table::kTerminal, table::kDateTime}) {
        readings.Fields(field);
    }
}

// Each operator action as its screen drives the recordset, with what it may cost: the client's
// turns through a proxy on the server, the statements SQLite runs on the file.
struct OperatorAction {
    const char* name;
    std::int64_t most_turns;
    std::int64_t most_statements;
    std::function<void(Recordset&)> run;
};

std::vector<OperatorAction> OperatorActions() {
    return {
        {"store a reading", 1, 3, [](Recordset& r) { AddReading(r, "C3"); }},
        {"open the browser", 2, 1, [](Recordset& r) { r.MoveFirst(), ReadShown(r); }},
        {"Right", 1, 1, [](Recordset& r) { r.MoveNext(), r.Eof(), ReadShown(r); }},
        {"Left", 1, 1, [](Recordset& r) { r.MovePrevious(), r.Bof(), ReadShown(r); }},
        {"search by code", 2, 5,
         [](Recordset& r) {
             const std::string back = r.Bookmark();
             r.SetIndex(table::kCodeIndex), r.Seek("=", "C5");
             r.NoMatch() ? r.SetBookmark(back) : ReadShown(r);
         }},
        {"Right in code order", 1, 1, [](Recordset& r) { r.MoveNext(), r.Eof(), ReadShown(r); }},
        {"Left in code order", 1, 1, [](Recordset& r) { r.MovePrevious(), r.Bof(), ReadShown(r); }},
        {"edit a field", 3, 5,
         [](Recordset& r) { r.Edit(), r.SetField(table::kCode, "C9"), r.Update(), ReadShown(r); }},
        {"delete", 3, 5,
         [](Recordset& r) {
             r.Delete(), r.MoveNext();
             r.Eof() ? r.MoveFirst() : void();
             ReadShown(r);
         }},
        {"readings list of 50", 2, 51,
         [](Recordset& r) {
             r.MoveFirst(), r.SetCacheSize(50);
             for (int line = 0; line < 50 && !r.Eof(); ++line) {
                 ReadShown(r), r.MoveNext();
             }
             r.SetCacheSize(1);
         }},
    };
}

void AddSixtyReadings(Recordset& readings) {
    for (int reading = 0; reading < 60; ++reading) {
        AddReading(readings, "C" + std::to_string(reading % 7));
    }
}

// Each operator action costs a network's delay only a few times: the client's turns through a
// proxy, over a store of 60 readings.
TEST(RoundTripsTest, EachOperatorActionTakesAtMostItsTurnsOnTheServer) {
    testing::FreshDatabase database;
    CreateReadingsDatabase(database.Uri());
    testing::CommitCutProxy proxy(testing::RoutedSocketFile());
    Database store =
        OpenDatabase("postgresql://postgres@127.0.0.1:" + std::to_string(proxy.Port()) + "/" +
                     database.Name() + "?sslmode=disable&gssencmode=disable");
    Recordset readings = store.OpenRecordset(table::kTable);
    AddSixtyReadings(readings);
    for (const OperatorAction& action : OperatorActions()) {
        proxy.TakeClientTurns();
        action.run(readings);
        EXPECT_LE(proxy.TakeClientTurns(), action.most_turns) << action.name;
    }
}

// The statements SQLite starts on the connections opened while counting is on: the store's.
std::int64_t statements_started = 0;

int CountStatement(unsigned, void*, void*, void*) {
    ++statements_started;
    return 0;
}

int TraceStatements(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, CountStatement, nullptr);
    return SQLITE_OK;
}

// The same on the file, counted as the statements SQLite starts (a pragma function's own among
// them): a move reads the whole record it lands on and the fields come from it, so a move is
// one statement however many fields the screen shows.
TEST(RoundTripsTest, EachOperatorActionRunsAtMostItsStatementsOnTheFile) {
    const EmptyReadingsStore file(StoreKind::kSqliteFile);
    const auto trace = reinterpret_cast<void (*)()>(TraceStatements);
    sqlite3_auto_extension(trace);
    Database store = OpenDatabase(file.Target());
    Recordset readings = store.OpenRecordset(table::kTable);
    sqlite3_cancel_auto_extension(trace);
    AddSixtyReadings(readings);
    for (const OperatorAction& action : OperatorActions()) {
        statements_started = 0;
        action.run(readings);
        EXPECT_LE(statements_started, action.most_statements) << action.name;
        EXPECT_GE(statements_started, 1) << action.name << ": the store's statements uncounted";
    }
}

}  // namespace
}  // namespace tavix::store
