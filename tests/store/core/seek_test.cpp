#include "readings_store.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

// Codes by id: 1 B, 2 A, 3 C, 4 A, 5 AB.
class SeekTest : public OpenReadingsStoreTest {
  protected:
    SeekTest() {
        for (const char* code : {"B", "A", "C", "A", "AB"}) {
            AddReading(readings_, code);
        }
        readings_.MoveFirst();
    }
};

TEST_P(SeekTest, FindsTheFirstOfEqualCodesWhereverItStarts) {
    readings_.MoveLast();
    readings_.SetIndex(table::kCodeIndex);
    readings_.Seek("=", "A");
    EXPECT_FALSE(readings_.NoMatch());
    EXPECT_EQ(CurrentId(readings_), 2);
    readings_.MoveNext();
    EXPECT_EQ(CurrentId(readings_), 4);
    readings_.Seek("=", "AB");
    EXPECT_EQ(CurrentId(readings_), 5);
}

TEST_P(SeekTest, NoMatchKeepsTheRecordAndTheBookmarkReturnsToIt) {
    readings_.MoveNext();
    readings_.MoveNext();  // on C, id 3
    const std::string saved = readings_.Bookmark();
    readings_.SetIndex(table::kCodeIndex);
    for (const char* missing : {"a", "A ", "Z", ""}) {
        readings_.Seek("=", missing);
        EXPECT_TRUE(readings_.NoMatch()) << '"' << missing << '"';
        EXPECT_EQ(CurrentId(readings_), 3);
    }
    readings_.MoveFirst();
    readings_.SetBookmark(saved);
    EXPECT_EQ(CurrentId(readings_), 3);
    readings_.Seek("=", "B");
    EXPECT_FALSE(readings_.NoMatch());  // a later match clears it
}

TEST_P(SeekTest, SeekNeedsTheIndexAndAnEqualityComparison) {
    EXPECT_THROW(readings_.Seek("=", "A"), StoreError);
    readings_.SetIndex(table::kCodeIndex);
    EXPECT_THROW(readings_.Seek(">=", "A"), StoreError);
}

// Ids are never given again (AUTOINCREMENT, an identity column), so an old bookmark cannot come
// back to life on a different reading.
TEST_P(SeekTest, BookmarkOfADeletedRecordFailsEvenAfterNewRecords) {
    readings_.MoveLast();
    const std::string last = readings_.Bookmark();
    readings_.Delete();
    AddReading(readings_, "N");
    EXPECT_THROW(readings_.SetBookmark(last), StoreError);
    EXPECT_THROW(readings_.SetBookmark("not a bookmark"), StoreError);
    readings_.MoveLast();
    EXPECT_EQ(CurrentId(readings_), 6);
}

TAVIX_ON_BOTH_STORES(SeekTest);

}  // namespace
}  // namespace tavix::store
