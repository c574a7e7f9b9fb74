#include "readings_store.hpp"

namespace tavix::store {
namespace {

class ClosingTest : public ReadingsStoreTest {};

TEST_P(ClosingTest, ClosingTheDatabaseMakesItsRecordsetsFail) {
    Database database = OpenDatabase(target_);
    Recordset readings = database.OpenRecordset("Readings");
    AddReading(readings, "A");
    EXPECT_THROW(database.OpenRecordset("Nothing"), StoreError);
    database.Close();
    EXPECT_THROW(readings.MoveFirst(), StoreError);
    EXPECT_THROW(readings.Eof(), StoreError);
    EXPECT_THROW(AddReading(readings, "B"), StoreError);
    EXPECT_THROW(database.OpenRecordset("Readings"), StoreError);
    EXPECT_EQ(store_.Other()->Number("SELECT count(*) FROM Readings"), 1);
}

TAVIX_ON_BOTH_STORES(ClosingTest);

}  // namespace
}  // namespace tavix::store
