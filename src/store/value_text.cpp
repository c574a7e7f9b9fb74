#include "store/value_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>

namespace tavix::store {

namespace {

// A double has at most 17 significant digits: in fixed notation a larger number would show
// digits it does not hold.
constexpr int kMostSignificantDigits = 17;
// Below this power of ten, fixed notation is mostly leading zeros.
constexpr int kSmallestFixedExponent = -4;

std::string CharsOf(double number, std::chars_format format, std::optional<int> precision = {}) {
    char text[400];
    const auto result = precision
                            ? std::to_chars(text, text + sizeof text, number, format, *precision)
                            : std::to_chars(text, text + sizeof text, number, format);
    return std::string(text, result.ptr);
}

// The power of ten of the number's first significant digit.
int DecimalExponent(const std::string& scientific) {
    const std::size_t e = scientific.find('e');
    return e == std::string::npos ? 0 : std::stoi(scientific.substr(e + 1));
}

// The shortest digits that read back as the same double, with "." whatever the locale,
// because to_chars ignores it: fixed notation for ordinary magnitudes, the exponent form for
// very large and very small ones.
std::string NumberText(double number) {
    if (number == 0) {
        return "0";  // also for -0, which would otherwise show as "-0"
    }
    const std::string scientific = CharsOf(number, std::chars_format::scientific);
    if (!std::isfinite(number)) {
        return scientific;
    }
    const int exponent = DecimalExponent(scientific);
    if (exponent >= kSmallestFixedExponent && exponent < kMostSignificantDigits) {
        return CharsOf(number, std::chars_format::fixed);
    }
    return scientific;
}

// The number in as few significant digits as it takes to fit width, rounded; cut when not
// even one digit fits.
std::string NumberTextWithin(double number, std::size_t width) {
    std::string text = NumberText(number);
    for (int digits = kMostSignificantDigits - 1; text.size() > width && digits > 0; --digits) {
        const std::string rounded = CharsOf(number, std::chars_format::general, digits);
        if (rounded.size() <= width) {
            return rounded;
        }
    }
    return text.substr(0, width);
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

std::string GeneralFormWithin(const Value& value, std::size_t width) {
    struct Former {
        std::size_t width;
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t number) const {
            const std::string text = std::to_string(number);
            return text.size() <= width ? text
                                        : NumberTextWithin(static_cast<double>(number), width);
        }
        std::string operator()(double number) const { return NumberTextWithin(number, width); }
        // Only the part that is shown is copied: a text may be megabytes long.
        std::string operator()(const std::string& text) const { return text.substr(0, width); }
        std::string operator()(const Timestamp& timestamp) const {
            return timestamp.ToSqlText().substr(0, width);
        }
    };
    return std::visit(Former{width}, value);
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
