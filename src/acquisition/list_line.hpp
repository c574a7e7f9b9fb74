#pragma once

#include <cstddef>
#include <string>

#include "store/recordset.hpp"
#include "store/timestamp.hpp"

namespace tavix::acquisition {

// A reading's date and time as the readings list shows it: "dd/mm/yy hh:nn:ss" on the
// 24-hour clock, such as "09/01/27 14:03:07".
std::string ListDateTimeText(const store::Timestamp& timestamp);

// The current reading as one line of the readings list, such as
// "ABC123, qt 12, 06/12/26 07:05:09, 3". Numbers have "." as the decimal point whatever the
// locale; a missing value leaves its place empty. Each value is cut to value_width
// characters (numbers rounded to fit), the width of the list's lines, so that scrolling
// sideways shows every value whole and no line is longer than a few such widths; each shows
// as an item of the list (console::AsItemText), so a "#" does not split the line.
std::string ListLine(const store::Recordset& readings, std::size_t value_width);

}  // namespace tavix::acquisition
