#include "readings_store.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

class ClosingTest : public OpenReadingsStoreTest {};

TEST_P(ClosingTest, ClosingTheDatabaseMakesItsRecordsetsFail) {
    AddReading(readings_, "A");
    EXPECT_THROW(database_.OpenRecordset("Nothing"), StoreError);
    database_.Close();
    EXPECT_THROW(readings_.MoveFirst(), StoreError);
    EXPECT_THROW(readings_.Eof(), StoreError);
    EXPECT_THROW(AddReading(readings_, "B"), StoreError);
    EXPECT_THROW(database_.OpenRecordset(table::kTable), StoreError);
    EXPECT_EQ(store_.Other()->Number("SELECT count(*) FROM Readings"), 1);
}

TAVIX_ON_BOTH_STORES(ClosingTest);

}  // namespace
}  // namespace tavix::store
