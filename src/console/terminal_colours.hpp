#pragma once

#include "colours.hpp"

namespace tavix::console {

// How a cell's PC colours are shown on a terminal: terminal colour numbers (the curses and
// ANSI order, where red comes before blue) and the attributes that stand in for colours the
// terminal lacks.
struct TerminalLook {
    static constexpr int kNoColour = -1;

    int fg = kNoColour;  // kNoColour on a terminal without colours
    int bg = kNoColour;
    bool bold = false;
    bool reverse = false;

    friend bool operator==(const TerminalLook&, const TerminalLook&) = default;
};

// The nearest look on a terminal with `colour_count` colours: the sixteen colours where it
// has sixteen or more; bold for bright text and the dark form of a bright background where
// it has eight; reverse video where the background is the lighter colour where it has none.
// Colour numbers beyond the palette are folded into it.
TerminalLook LookOnTerminal(int fg, int bg, int colour_count);

}  // namespace tavix::console
