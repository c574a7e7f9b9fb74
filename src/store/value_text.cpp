#include "value_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tavix::store {

namespace {

std::string NumberText(double number) {
    if (number == 0) {
        return "0";  // also for -0, which would otherwise show as "-0"
    }
    // Fixed notation with the shortest digits that read back as the same double: no exponent,
    // no trailing zeros, and "." whatever the locale, because to_chars ignores it.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters of the number that text begins with, blanks left out: an optional sign,
// digits, and optionally "." with more digits.
std::string LeadingNumber(std::string_view text) {
    std::string number;
    bool has_point = false;
    for (const char c : text) {
        if (IsBlank(c)) {
            continue;
        }
        const bool sign = (c == '-' || c == '+') && number.empty();
        const bool point = c == '.' && !has_point;
        if (!sign && !point && !IsDigit(c)) {
            break;
        }
        has_point = has_point || point;
        number.push_back(c);
    }
    return number;
}

bool HasNonZeroDigitBeforePoint(std::string_view digits) {
    for (const char c : digits) {
        if (c == '.') {
            return false;
        }
        if (c >= '1' && c <= '9') {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string GeneralForm(const Value& value) {
    struct Former {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t number) const { return std::to_string(number); }
        std::string operator()(double number) const { return NumberText(number); }
        std::string operator()(const std::string& text) const { return text; }
        std::string operator()(const Timestamp& timestamp) const { return timestamp.ToSqlText(); }
    };
    return std::visit(Former{}, value);
}

double NumberFromText(std::string_view text) {
    const std::string number = LeadingNumber(text);
    const bool has_sign = !number.empty() && (number.front() == '-' || number.front() == '+');
    const bool negative = has_sign && number.front() == '-';
    const std::string_view digits = std::string_view(number).substr(has_sign ? 1 : 0);
    double magnitude = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude,
                                        std::chars_format::fixed);
    if (result.ec == std::errc::invalid_argument) {
        return 0;  // no digits at all: "", "-", "."
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Too many digits for a double: the nearest one is infinity or zero.
        magnitude =
            HasNonZeroDigitBeforePoint(digits) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace tavix::store
