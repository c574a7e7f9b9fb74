#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/value.hpp"

namespace tavix::store {

// A double in the general form, appended to out: the fewest digits that read back as the same
// double, without leading blanks, thousands separators or trailing zeros, written out in full
// from 0.0001 up to 1e17 (5, 12, 2.5, -0.25, 1000000, 0.0001) and with an exponent beyond
// (1e+308, 2.5e-07), so that no digit is shown that the double does not hold. -0 is "-0", the
// infinities and not-a-number "Inf", "-Inf" and "NaN". decimal_point is '.' or ',' (for a
// spreadsheet set to Italian); the locale plays no part. The one way the program writes a
// double: on the screens, in every export, and into a text column of another store.
void AppendNumber(std::string& out, double number, char decimal_point = '.');

// A value in the general form: a number as AppendNumber writes it with '.', a whole number in
// its digits. A text unchanged; null empty. A date and time in SQLite's form. What is shown
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
