#include "store/timestamp.hpp"

#include <cstdio>
#include <ctime>

namespace tavix::store {

namespace {

constexpr std::size_t kSqlTextLength = 19;  // YYYY-MM-DD HH:MM:SS

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The unsigned decimal number in text[start, start + length), or -1 when it is not all digits.
int DigitsAt(std::string_view text, std::size_t start, std::size_t length) {
    int number = 0;
    for (std::size_t i = start; i < start + length; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool HasSeparatorsAt(std::string_view text) {
    return text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' &&
           text[16] == ':';
}

}  // namespace

Timestamp Timestamp::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Timestamp{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::optional<Timestamp> Timestamp::FromParts(int year, int month, int day, int hour, int minute,
                                              int second) {
    const bool valid_date = year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                            day <= DaysInMonth(year, month);
    const bool valid_time =
        hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
    if (!valid_date || !valid_time) {
        return std::nullopt;
    }
    return Timestamp{year, month, day, hour, minute, second};
}

std::string Timestamp::ToSqlText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return text;
}

std::optional<Timestamp> Timestamp::FromSqlText(std::string_view text) {
    if (text.size() != kSqlTextLength || !HasSeparatorsAt(text)) {
        return std::nullopt;
    }
    return FromParts(DigitsAt(text, 0, 4), DigitsAt(text, 5, 2), DigitsAt(text, 8, 2),
                     DigitsAt(text, 11, 2), DigitsAt(text, 14, 2), DigitsAt(text, 17, 2));
}

std::optional<Timestamp> Timestamp::FromStoredText(std::string_view text) {
    if (text.size() > kSqlTextLength &&
        (text[kSqlTextLength] != '.' || !AllDigits(text.substr(kSqlTextLength + 1)))) {
        return std::nullopt;
    }
    return FromSqlText(text.substr(0, kSqlTextLength));
}

}  // namespace tavix::store
