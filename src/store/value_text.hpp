#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/value.hpp"

namespace tavix::store {

// A value in the general form: numbers in the shortest digits that read back as the same
// double, without leading blanks, thousands separators or trailing zeros, with "." as the
// decimal point whatever the locale (5, 12, 2.5, -0.25, 0.0001); from 1e+17 up and below
// 0.0001 in the exponent form (1e+308, 2.5e-07), so no digit is shown that the double does
// not hold. A text unchanged; null empty. A date and time in SQLite's form. What is shown
// without an exponent reads back as the same number through NumberFromText.
std::string GeneralForm(const Value& value);

// The general form in at most width characters, for a place on the screen: a text or a date
// cut to its first width characters; a number that does not fit rounded to fewer significant
// digits (fixed or exponent form, whichever the digits call for) until it fits, and cut only
// when not even one digit fits. Copies no more of a long text than it returns.
std::string GeneralFormWithin(const Value& value, std::size_t width);

// The number a text begins with: blanks are skipped wherever they stand, then an optional
// sign, digits, optionally "." and more digits; reading stops at the first character that
// cannot continue the number. A text without a leading number gives 0. Never fails.
double NumberFromText(std::string_view text);

}  // namespace tavix::store
