#include "acquisition/list_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavix::acquisition {
namespace {

TEST(ListDateTimeTextTest, WritesTwoDigitFieldsWithAShortYear) {
    const std::vector<std::pair<store::Timestamp, std::string>> cases = {
        {{2027, 1, 9, 14, 3, 7}, "09/01/27 14:03:07"},
        {{2026, 12, 6, 7, 5, 9}, "06/12/26 07:05:09"},
        {{2000, 1, 1, 0, 0, 0}, "01/01/00 00:00:00"},
        {{1999, 12, 31, 23, 59, 59}, "31/12/99 23:59:59"},
        {{2105, 10, 20, 10, 10, 10}, "20/10/05 10:10:10"},
    };
    for (const auto& [timestamp, text] : cases) {
        EXPECT_EQ(ListDateTimeText(timestamp), text);
    }
}

}  // namespace
}  // namespace tavix::acquisition
