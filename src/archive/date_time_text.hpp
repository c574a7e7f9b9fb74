#pragma once

#include <optional>
#include <string>

#include "store/timestamp.hpp"

// The fixed texts of a timestamp that the archive shows and edits. The separators are always
// "/" and ":", whatever the system's regional settings.

namespace tavix::archive {

// "dd/mm/yyyy", such as "06/12/2026".
std::string DateText(const store::Timestamp& timestamp);

// "hh:nn:ss" on the 24-hour clock, such as "07:05:09".
std::string TimeText(const store::Timestamp& timestamp);

// The timestamp written by a "dd/mm/yyyy" date text and a "hh:nn:ss" time text, or nothing
// when either text is not exactly in its form or they do not make a real date and time.
std::optional<store::Timestamp> TimestampFromTexts(const std::string& date_text,
                                                   const std::string& time_text);

}  // namespace tavix::archive
