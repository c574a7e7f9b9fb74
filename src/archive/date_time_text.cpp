#include "archive/date_time_text.hpp"

#include <cstddef>
#include <string_view>

namespace tavix::archive {
namespace {

constexpr std::string_view kDatePattern = "dd/mm/yyyy";
constexpr std::string_view kTimePattern = "hh:nn:ss";

std::string ZeroPadded(int value, std::size_t digits) {
    std::string text = std::to_string(value);
    if (text.size() < digits) {
        text.insert(0, digits - text.size(), '0');
    }
    return text;
}

// True when text has the pattern's length, a digit wherever the pattern has a letter and the
// pattern's own character everywhere else.
bool MatchesPattern(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool wants_digit = pattern[i] >= 'a' && pattern[i] <= 'z';
        const bool is_digit = text[i] >= '0' && text[i] <= '9';
        if (wants_digit ? !is_digit : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

// The number written by the digits at [first, first + count) of a text already checked
// against its pattern.
int NumberAt(std::string_view text, std::size_t first, std::size_t count) {
    int value = 0;
    for (const char digit : text.substr(first, count)) {
        value = value * 10 + (digit - '0');
    }
    return value;
}

}  // namespace

std::string DateText(const store::Timestamp& timestamp) {
    return ZeroPadded(timestamp.day, 2) + "/" + ZeroPadded(timestamp.month, 2) + "/" +
           ZeroPadded(timestamp.year, 4);
}

std::string TimeText(const store::Timestamp& timestamp) {
    return ZeroPadded(timestamp.hour, 2) + ":" + ZeroPadded(timestamp.minute, 2) + ":" +
           ZeroPadded(timestamp.second, 2);
}

std::optional<store::Timestamp> TimestampFromTexts(const std::string& date_text,
                                                   const std::string& time_text) {
    if (!MatchesPattern(date_text, kDatePattern) || !MatchesPattern(time_text, kTimePattern)) {
        return std::nullopt;
    }
    return store::Timestamp::FromParts(NumberAt(date_text, 6, 4), NumberAt(date_text, 3, 2),
                                       NumberAt(date_text, 0, 2), NumberAt(time_text, 0, 2),
                                       NumberAt(time_text, 3, 2), NumberAt(time_text, 6, 2));
}

}  // namespace tavix::archive
