#include "readings_store.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

class ClosingTest : public ReadingsStoreTest {};

TEST_P(ClosingTest, ClosingTheDatabaseMakesItsRecordsetsFail) {
    Database database = OpenDatabase(target_);
    Recordset readings = database.OpenRecordset(table::kTable);
    AddReading(readings, "A");
    EXPECT_THROW(database.OpenRecordset("Nothing"), StoreError);
    database.Close();
    EXPECT_THROW(readings.MoveFirst(), StoreError);
    EXPECT_THROW(readings.Eof(), StoreError);
    EXPECT_THROW(AddReading(readings, "B"), StoreError);
    EXPECT_THROW(database.OpenRecordset(table::kTable), StoreError);
    EXPECT_EQ(store_.Other()->Number("SELECT count(*) FROM Readings"), 1);
}

TAVIX_ON_BOTH_STORES(ClosingTest);

}  // namespace
}  // namespace tavix::store
