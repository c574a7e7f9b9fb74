#pragma once

#include <string>

#include "store/timestamp.hpp"

namespace tavix::acquisition {

// A reading's date and time as the readings list shows it: "dd/mm/yy hh:nn:ss" on the
// 24-hour clock, such as "09/01/27 14:03:07".
std::string ListDateTimeText(const store::Timestamp& timestamp);

}  // namespace tavix::acquisition
