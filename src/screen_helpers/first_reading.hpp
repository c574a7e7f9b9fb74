#pragma once

#include <string_view>

namespace tavix::screen_helpers {

// Moves the readings to their first record in the current order. With no records the readings
// simply stand at Eof: that is no failure and is not logged. Any other failure (no database, a
// locked or damaged file) is logged under `step` and leaves the readings where it left them, so
// the caller's test of Eof decides what to show, as it always did.
void MoveToFirstReading(std::string_view step);

}  // namespace tavix::screen_helpers
