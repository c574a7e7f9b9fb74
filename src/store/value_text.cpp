#include "store/value_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <system_error>

namespace tavix::store {

namespace {

// A double has at most 17 significant digits: rounding to fit a place starts below them.
constexpr int kMostSignificantDigits = 17;

std::string CharsOf(double number, std::chars_format format, std::optional<int> precision = {}) {
    char text[400];
    const auto result = precision
                            ? std::to_chars(text, text + sizeof text, number, format, *precision)
                            : std::to_chars(text, text + sizeof text, number, format);
    return std::string(text, result.ptr);
}

// %g's switch to the exponent form, with 17 significant digits (all a double needs).
constexpr int kSmallestPlainExponent = -4;
constexpr int kLargestPlainExponent = 16;

// Whole numbers below this are written straight from an integer: the common quantity.
constexpr double kPlainIntegerLimit = 1e15;

struct Decimal {
    bool negative = false;
    std::string_view digits;  // significant digits, the first not 0 unless the number is 0
    int exponent = 0;         // of the first digit
};

// The shortest digits that read back as the number, from to_chars' "d.ddde±XX"; the digits
// are kept in storage.
Decimal ShortestDecimal(double number, char (&storage)[32]) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, number, std::chars_format::scientific);
    const std::string_view written(text, static_cast<std::size_t>(result.ptr - text));
    Decimal decimal;
    std::size_t at = 0;
    if (written[at] == '-') {
        decimal.negative = true;
        ++at;
    }
    const std::size_t exponent_mark = written.find('e');
    std::size_t count = 0;
    for (; at < exponent_mark; ++at) {
        if (written[at] != '.') {
            storage[count++] = written[at];
        }
    }
    decimal.digits = std::string_view(storage, count);
    const std::string_view exponent = written.substr(exponent_mark + 1);
    // from_chars takes no '+'.
    const std::size_t skip = exponent.front() == '+' ? 1 : 0;
    std::from_chars(exponent.data() + skip, exponent.data() + exponent.size(), decimal.exponent);
    return decimal;
}

void AppendPlain(std::string& out, const Decimal& decimal, char decimal_point) {
    const int digits = static_cast<int>(decimal.digits.size());
    if (decimal.exponent < 0) {
        out += '0';
        out += decimal_point;
        out.append(static_cast<std::size_t>(-decimal.exponent - 1), '0');
        out += decimal.digits;
        return;
    }
    const int whole_digits = decimal.exponent + 1;
    if (digits <= whole_digits) {
        out += decimal.digits;
        out.append(static_cast<std::size_t>(whole_digits - digits), '0');
        return;
    }
    out.append(decimal.digits, 0, static_cast<std::size_t>(whole_digits));
    out += decimal_point;
    out.append(decimal.digits, static_cast<std::size_t>(whole_digits));
}

void AppendWithExponent(std::string& out, const Decimal& decimal, char decimal_point) {
    out += decimal.digits[0];
    if (decimal.digits.size() > 1) {
        out += decimal_point;
        out.append(decimal.digits, 1);
    }
    out += decimal.exponent < 0 ? "e-" : "e+";
    const int magnitude = std::abs(decimal.exponent);
    if (magnitude < 10) {
        out += '0';
    }
    out += std::to_string(magnitude);
}

// The number in as few significant digits as it takes to fit width, rounded; cut when not
// even one digit fits.
std::string NumberTextWithin(double number, std::size_t width) {
    std::string text = GeneralForm(Value(number));
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

void AppendNumber(std::string& out, double number, char decimal_point) {
    if (std::isnan(number)) {
        out += "NaN";
        return;
    }
    if (std::isinf(number)) {
        out += number < 0 ? "-Inf" : "Inf";
        return;
    }
    const bool negative_zero = number == 0 && std::signbit(number);
    if (number == std::trunc(number) && std::fabs(number) < kPlainIntegerLimit && !negative_zero) {
        out += std::to_string(static_cast<std::int64_t>(number));
        return;
    }
    char storage[32];
    const Decimal decimal = ShortestDecimal(number, storage);
    if (decimal.negative) {
        out += '-';
    }
    if (decimal.exponent >= kSmallestPlainExponent && decimal.exponent <= kLargestPlainExponent) {
        AppendPlain(out, decimal, decimal_point);
    } else {
        AppendWithExponent(out, decimal, decimal_point);
    }
}

std::string GeneralForm(const Value& value) {
    struct Former {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t number) const { return std::to_string(number); }
        std::string operator()(double number) const {
            std::string text;
            AppendNumber(text, number);
            return text;
        }
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
