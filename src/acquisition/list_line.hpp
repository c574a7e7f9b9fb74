#pragma once

#include <string>

#include "store/recordset.hpp"
#include "store/timestamp.hpp"

namespace tavix::acquisition {

// A reading's date and time as the readings list shows it: "dd/mm/yy hh:nn:ss" on the
// 24-hour clock, such as "09/01/27 14:03:07".
std::string ListDateTimeText(const store::Timestamp& timestamp);

// The current reading as one line of the readings list, such as
// "ABC123, qt 12, 06/12/26 07:05:09, 3". Numbers have "." as the decimal point whatever the
// locale; a missing value leaves its place empty.
std::string ListLine(const store::Recordset& readings);

}  // namespace tavix::acquisition
