#include "archive/date_time_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavix::archive {
namespace {

using store::Timestamp;

struct TextsCase {
    Timestamp timestamp;
    std::string date;
    std::string time;
};

const std::vector<TextsCase>& TextsCases() {
    static const std::vector<TextsCase> cases = {
        {{2026, 12, 6, 7, 5, 9}, "06/12/2026", "07:05:09"},
        {{2027, 1, 1, 0, 0, 0}, "01/01/2027", "00:00:00"},
        {{2026, 12, 31, 23, 59, 59}, "31/12/2026", "23:59:59"},
        {{2028, 2, 29, 12, 30, 0}, "29/02/2028", "12:30:00"},
        {{987, 10, 15, 9, 0, 1}, "15/10/0987", "09:00:01"},
    };
    return cases;
}

TEST(DateTimeTextTest, WritesFixedWidthTexts) {
    for (const auto& c : TextsCases()) {
        EXPECT_EQ(DateText(c.timestamp), c.date);
        EXPECT_EQ(TimeText(c.timestamp), c.time);
    }
}

TEST(DateTimeTextTest, ReadsBackWhatItWrites) {
    for (const auto& c : TextsCases()) {
        EXPECT_EQ(TimestampFromTexts(c.date, c.time), c.timestamp) << c.date << ' ' << c.time;
    }
}

TEST(DateTimeTextTest, RefusesAnythingButARealDateAndTimeInTheirForms) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"31/02/2026", "07:05:09"}, {"29/02/2027", "07:05:09"},  {"00/01/2026", "07:05:09"},
        {"01/13/2026", "07:05:09"}, {"01/01/0000", "07:05:09"},  {"06/12/2026", "25:00:00"},
        {"06/12/2026", "24:00:00"}, {"06/12/2026", "07:60:09"},  {"06/12/2026", "07:05:60"},
        {"", "07:05:09"},           {"06/12/2026", ""},          {"          ", "        "},
        {"6/12/2026", "07:05:09"},  {" 6/12/2026", "07:05:09"},  {"06-12-2026", "07:05:09"},
        {"06/12/26", "07:05:09"},   {"06/12/2026 ", "07:05:09"}, {"+6/12/2026", "07:05:09"},
        {"06/12/2026", "07.05.09"}, {"06/12/2026", "7:05:09"},   {"06/12/2026", "07:05:9a"},
        {"06/12/2026", "07:05"},
    };
    for (const auto& [date, time] : cases) {
        EXPECT_EQ(TimestampFromTexts(date, time), std::nullopt)
            << '"' << date << "\" \"" << time << '"';
    }
}

}  // namespace
}  // namespace tavix::archive
