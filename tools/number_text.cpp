#include "number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tavix::admin {

namespace {

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
    AppendInteger(out, magnitude);
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
        AppendInteger(out, static_cast<std::int64_t>(number));
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

void AppendInteger(std::string& out, std::int64_t number) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, number);
    out.append(text, result.ptr);
}

}  // namespace tavix::admin
