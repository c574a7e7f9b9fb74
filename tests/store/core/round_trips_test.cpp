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

struct OperatorAction {
    const char* name;
    std::int64_t most_turns;
    std::function<void(Recordset&)> run;
};

// Each operator action, as its screen drives the recordset, costs a network's delay only a few
// times: the client's turns through a proxy, over a store of 60 readings.
TEST(RoundTripsTest, EachOperatorActionTakesAtMostItsTurnsOnTheServer) {
    testing::FreshDatabase database;
    CreateReadingsDatabase(database.Uri());
    testing::CommitCutProxy proxy(testing::RoutedSocketFile());
    Database store =
        OpenDatabase("postgresql://postgres@127.0.0.1:" + std::to_string(proxy.Port()) + "/" +
                     database.Name() + "?sslmode=disable&gssencmode=disable");
    Recordset readings = store.OpenRecordset(table::kTable);
    for (int reading = 0; reading < 60; ++reading) {
        AddReading(readings, "C" + std::to_string(reading % 7));
    }
    const std::vector<OperatorAction> actions = {
        {"store a reading", 1, [](Recordset& r) { AddReading(r, "C3"); }},
        {"open the browser", 2, [](Recordset& r) { r.MoveFirst(), ReadShown(r); }},
        {"Right", 1, [](Recordset& r) { r.MoveNext(), r.Eof(), ReadShown(r); }},
        {"Left", 1, [](Recordset& r) { r.MovePrevious(), r.Bof(), ReadShown(r); }},
        {"search by code", 2,
         [](Recordset& r) {
             const std::string back = r.Bookmark();
             r.SetIndex(table::kCodeIndex), r.Seek("=", "C5");
             r.NoMatch() ? r.SetBookmark(back) : ReadShown(r);
         }},
        {"edit a field", 3,
         [](Recordset& r) { r.Edit(), r.SetField(table::kCode, "C9"), r.Update(), ReadShown(r); }},
        {"delete", 3,
         [](Recordset& r) {
             r.Delete(), r.MoveNext();
             r.Eof() ? r.MoveFirst() : void();
             ReadShown(r);
         }},
        {"readings list of 50", 2,
         [](Recordset& r) {
             r.MoveFirst(), r.SetCacheSize(50);
             for (int line = 0; line < 50 && !r.Eof(); ++line) {
                 ReadShown(r), r.MoveNext();
             }
             r.SetCacheSize(1);
         }},
    };
    for (const OperatorAction& action : actions) {
        proxy.TakeClientTurns();
        action.run(readings);
        EXPECT_LE(proxy.TakeClientTurns(), action.most_turns) << action.name;
    }
}

}  // namespace
}  // namespace tavix::store
