#pragma once

#include <optional>
#include <string>

#include "store/timestamp.hpp"

namespace tavix::store {

// Which readings an export takes; every bound is optional and they combine.
struct ReadingFilter {
    // The readings of one terminal: its text as stored ("007"), or a stored number equal to it
    // when the text is a number ("6" also takes a terminal stored as the number 6).
    std::optional<std::string> terminal;
    // DateTime from `from` to `to`, both included to the second. Readings whose DateTime is not
    // a real date and time (see Timestamp::FromStoredText) are left out once either bound is
    // given, as a server's timestamp column would never hold them.
    std::optional<Timestamp> from;
    std::optional<Timestamp> to;
};

// The terminal filter's text as a number, when the whole text is one ("6", "6.0", "007"), so
// that it also takes a terminal stored as that number.
std::optional<double> NumberOfTerminal(const std::string& terminal);

}  // namespace tavix::store
