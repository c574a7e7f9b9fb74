#include "store/timestamp.hpp"

#include <gtest/gtest.h>

namespace tavix::store {
namespace {

TEST(TimestampTest, FromPartsAcceptsOnlyRealDatesAndTimes) {
    EXPECT_TRUE(Timestamp::FromParts(2024, 2, 29, 23, 59, 59));
    EXPECT_TRUE(Timestamp::FromParts(2000, 2, 29, 0, 0, 0));
    EXPECT_TRUE(Timestamp::FromParts(1, 1, 1, 0, 0, 0));
    EXPECT_TRUE(Timestamp::FromParts(9999, 12, 31, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2023, 2, 29, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(1900, 2, 29, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 2, 31, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 4, 31, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 13, 1, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 0, 1, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 1, 0, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(0, 1, 1, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(10000, 1, 1, 0, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 1, 1, 24, 0, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 1, 1, 0, 60, 0));
    EXPECT_FALSE(Timestamp::FromParts(2026, 1, 1, 0, 0, 60));
    EXPECT_FALSE(Timestamp::FromParts(2026, 1, 1, -1, 0, 0));
}

TEST(TimestampTest, SqlTextRoundTrip) {
    const Timestamp stamp{7, 3, 9, 4, 5, 6};
    EXPECT_EQ(stamp.ToSqlText(), "0007-03-09 04:05:06");
    EXPECT_EQ(Timestamp::FromSqlText("0007-03-09 04:05:06"), stamp);
    EXPECT_EQ(Timestamp::FromSqlText("2026-12-06 07:05:09"), (Timestamp{2026, 12, 6, 7, 5, 9}));
}

TEST(TimestampTest, FromSqlTextRejectsOtherForms) {
    for (const char* text : {"", "2026-12-06", "2026-12-06T07:05:09", "2026-12-06 7:05:09",
                             "2026-12-06 07:05:09.5", "2026/12/06 07:05:09", "2026-02-30 00:00:00",
                             "2026-12-06 07:05:+9", "06/12/2026 07:05:09"}) {
        EXPECT_FALSE(Timestamp::FromSqlText(text)) << text;
    }
}

TEST(TimestampTest, NowIsARealDateAndTimeAndOrdersLikeTime) {
    const Timestamp now = Timestamp::Now();
    EXPECT_TRUE(
        Timestamp::FromParts(now.year, now.month, now.day, now.hour, now.minute, now.second));
    EXPECT_GE(now.year, 2024);
    EXPECT_LT((Timestamp{2026, 12, 31, 23, 59, 59}), (Timestamp{2027, 1, 1, 0, 0, 0}));
    EXPECT_LT((Timestamp{2026, 1, 2, 0, 0, 0}), (Timestamp{2026, 1, 2, 0, 0, 1}));
}

}  // namespace
}  // namespace tavix::store
