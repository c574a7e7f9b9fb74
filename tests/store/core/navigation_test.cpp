#include <algorithm>
#include <random>
#include <tuple>

#include "readings_store.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

class NavigationTest : public OpenReadingsStoreTest {};
using Ids = std::vector<std::int64_t>;

// Going to either end of an empty table is no failure: it leaves the recordset at both ends.
TEST_P(NavigationTest, EmptyTableIsAtBothEndsAndOnlyStepsFail) {
    EXPECT_TRUE(readings_.Eof());
    EXPECT_TRUE(readings_.Bof());
    EXPECT_NO_THROW(readings_.MoveFirst());
    EXPECT_TRUE(readings_.Eof() && readings_.Bof());
    EXPECT_NO_THROW(readings_.MoveLast());
    EXPECT_TRUE(readings_.Eof() && readings_.Bof());
    EXPECT_THROW(readings_.MoveNext(), StoreError);
    EXPECT_THROW(readings_.MovePrevious(), StoreError);
    EXPECT_THROW(readings_.Fields(table::kCode), StoreError);
    readings_.MoveFirst();
    EXPECT_TRUE(readings_.Eof());
    EXPECT_TRUE(readings_.Bof());
}

TEST_P(NavigationTest, OpensOnTheFirstRecordAndStopsPastEitherEnd) {
    AddReading(readings_, "C");
    AddReading(readings_, "A");
    Recordset reopened = database_.OpenRecordset(table::kTable);
    EXPECT_EQ(std::get<std::string>(reopened.Fields(table::kCode)), "C");

    reopened.MoveNext();
    reopened.MoveNext();
    EXPECT_TRUE(reopened.Eof());
    EXPECT_FALSE(reopened.Bof());
    EXPECT_THROW(reopened.Fields(table::kCode), StoreError);
    EXPECT_THROW(reopened.MoveNext(), StoreError);
    reopened.MovePrevious();  // from past the end back onto the last record
    EXPECT_EQ(std::get<std::string>(reopened.Fields(table::kCode)), "A");

    reopened.MovePrevious();
    reopened.MovePrevious();
    EXPECT_TRUE(reopened.Bof());
    EXPECT_FALSE(reopened.Eof());
    EXPECT_THROW(reopened.MovePrevious(), StoreError);
    reopened.MoveNext();
    EXPECT_EQ(std::get<std::string>(reopened.Fields(table::kCode)), "C");
}

TEST_P(NavigationTest, CodeIndexSwitchesToCodeOrderAndKeepsTheCurrentRecord) {
    for (const char* code : {"C", "A", "B", "A"}) {
        AddReading(readings_, code);
    }
    EXPECT_EQ(IdsForward(readings_), (Ids{1, 2, 3, 4}));

    readings_.MoveFirst();
    readings_.MoveNext();
    readings_.MoveNext();  // on "B", id 3
    readings_.SetIndex(table::kCodeIndex);
    EXPECT_EQ(readings_.Index(), "Code");
    EXPECT_EQ(CurrentId(readings_), 3);
    readings_.MovePrevious();
    EXPECT_EQ(CurrentId(readings_), 4);  // equal codes in the table's own order
    EXPECT_EQ(IdsForward(readings_), (Ids{2, 4, 3, 1}));
    EXPECT_EQ(IdsBackward(readings_), (Ids{1, 3, 4, 2}));

    readings_.SetIndex("");
    EXPECT_EQ(readings_.Index(), "");
    EXPECT_EQ(IdsForward(readings_), (Ids{1, 2, 3, 4}));
    EXPECT_THROW(readings_.SetIndex("NoSuchIndex"), StoreError);
}

// Many duplicates, NULL codes and empty codes: walking the index order either way must give
// every record exactly once, sorted by (code, id) with NULL first.
TEST_P(NavigationTest, CodeOrderVisitsEveryRecordOnceWithDuplicatesAndNulls) {
    std::mt19937 random(20261206);
    std::vector<std::tuple<int, std::string, std::int64_t>> expected;  // (not null, code, id)
    for (std::int64_t id = 1; id <= 120; ++id) {
        const unsigned pick = random() % 6;
        if (pick == 0) {
            AddReading(readings_, std::monostate{});
            expected.emplace_back(0, "", id);
        } else {
            const std::string code = pick == 1 ? "" : std::string(1, static_cast<char>('A' + pick));
            AddReading(readings_, code);
            expected.emplace_back(1, code, id);
        }
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::int64_t> expected_ids;
    for (const auto& entry : expected) {
        expected_ids.push_back(std::get<2>(entry));
    }

    readings_.SetIndex(table::kCodeIndex);
    for (const int read_at_once : {1, 7, 50}) {  // whether the steps read ahead or not
        readings_.SetCacheSize(read_at_once);
        EXPECT_EQ(IdsForward(readings_), expected_ids) << read_at_once;
    }
    readings_.SetCacheSize(1);
    std::reverse(expected_ids.begin(), expected_ids.end());
    EXPECT_EQ(IdsBackward(readings_), expected_ids);
}

TEST_P(NavigationTest, MovesSeeRecordsAnotherProgramAddedMeanwhile) {
    AddReading(readings_, "B");
    readings_.MoveFirst();
    const std::unique_ptr<OtherSession> other = store_.Other();
    ASSERT_EQ(other->Execute("INSERT INTO Readings (code) VALUES ('A'), ('C')"),
              OtherSession::Outcome::kDone);

    readings_.MoveNext();
    EXPECT_EQ(std::get<std::string>(readings_.Fields(table::kCode)), "A");
    readings_.SetIndex(table::kCodeIndex);
    readings_.MoveNext();
    EXPECT_EQ(std::get<std::string>(readings_.Fields(table::kCode)), "B");
    readings_.MoveNext();
    EXPECT_EQ(std::get<std::string>(readings_.Fields(table::kCode)), "C");
    EXPECT_EQ(IdsForward(readings_), (Ids{2, 1, 3}));
}

// What a browser shows stays put while another session stores readings before and after it in
// code order; the steps from it see them.
TEST_P(NavigationTest, AnotherSessionsNewReadingsLeaveTheShownRecordAlone) {
    for (const char* code : {"B", "D"}) {
        AddReading(readings_, code);
    }
    readings_.SetIndex(table::kCodeIndex);
    readings_.Seek("=", "D");
    const std::unique_ptr<OtherSession> other = store_.Other();
    ASSERT_EQ(other->Execute("INSERT INTO Readings (code) VALUES ('A'), ('C'), ('E'), ('D')"),
              OtherSession::Outcome::kDone);
    EXPECT_EQ(CurrentId(readings_), 2);
    EXPECT_EQ(readings_.Fields(table::kCode), Value("D"));
    readings_.MovePrevious();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("C"));
    readings_.MoveNext();
    readings_.MoveNext();
    EXPECT_EQ(CurrentId(readings_), 6);  // the other D, after the shown one
}

// The record shown is deleted by another session: on the file reading it fails (the caller
// shows what it can); the server's recordset shows the record as the move onto it read it. The
// steps go on from where it stood.
TEST_P(NavigationTest, ARecordAnotherSessionDeletedWhileShownStepsOnToItsNeighbours) {
    for (const char* code : {"C", "A", "B"}) {
        AddReading(readings_, code);
    }
    readings_.SetIndex(table::kCodeIndex);
    readings_.Seek("=", "B");
    const std::unique_ptr<OtherSession> other = store_.Other();
    ASSERT_EQ(other->Execute("DELETE FROM Readings WHERE code = 'B'"),
              OtherSession::Outcome::kDone);
    if (GetParam() == StoreKind::kPostgres) {
        EXPECT_EQ(readings_.Fields(table::kCode), Value("B"));
    } else {
        EXPECT_THROW(readings_.Fields(table::kCode), StoreError);
    }
    EXPECT_THROW(readings_.Delete(), StoreError);
    EXPECT_THROW(readings_.SetBookmark(std::to_string(3)), StoreError);
    readings_.MoveNext();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("C"));
    readings_.Seek("=", "C");
    readings_.MovePrevious();
    EXPECT_EQ(readings_.Fields(table::kCode), Value("A"));
}

TAVIX_ON_BOTH_STORES(NavigationTest);

}  // namespace
}  // namespace tavix::store
