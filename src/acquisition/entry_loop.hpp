#pragma once

#include <string>

namespace tavix::acquisition {

// The code/quantity entry screen for one terminal. Returns when the code field ends without
// confirmation (Esc, F3, F5).
void EntryLoop(const std::string& terminal);

// Stores one reading at once, stamped with the current local date and time.
void AppendReading(const std::string& code, const std::string& quantity,
                   const std::string& terminal);

}  // namespace tavix::acquisition
