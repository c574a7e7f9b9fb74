#pragma once

#include <string>
#include <string_view>

#include "value.hpp"

namespace tavix::store {

// A value in the general form: numbers without leading blanks, thousands separators or
// trailing zeros, with "." as the decimal point whatever the locale (5, 12, 2.5, -0.25); a
// text unchanged; null empty. A date and time in SQLite's form. What is shown reads back as
// the same number through NumberFromText.
std::string GeneralForm(const Value& value);

// The number a text begins with: blanks are skipped wherever they stand, then an optional
// sign, digits, optionally "." and more digits; reading stops at the first character that
// cannot continue the number. A text without a leading number gives 0. Never fails.
double NumberFromText(std::string_view text);

}  // namespace tavix::store
