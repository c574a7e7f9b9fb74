#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/readings_source.hpp"

namespace tavix::admin {

struct TerminalLine {
    std::string terminal;
    std::int64_t readings = 0;
};

// One line per terminal as a person reads it: a terminal stored as the text "6" and one stored
// as the number 6 are the same terminal. Numbers in ascending order first, then the other
// texts, then readings with no terminal as "(none)".
std::vector<TerminalLine> MergeTerminalCounts(const std::vector<store::TerminalCount>& counts);

}  // namespace tavix::admin
