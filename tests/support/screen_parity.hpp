#pragma once

#include <string>
#include <vector>

#include "console/cell_grid.hpp"
#include "console/terminal.hpp"
#include "support/captured_pane.hpp"

namespace tavix::testing {

// The look a terminal with `colour_count` colours must show for a cell in the PC colours
// fg on bg. Terminals number their colours from red, the PC palette from blue. With sixteen
// or more colours each PC colour has its own; with eight, bright text is bold text in the
// dark colour and a bright background shows its dark form.
PaneLook ExpectedLook(console::Colour fg, console::Colour bg, int colour_count);

struct PaneCursor {
    bool visible = false;
    int x = 1;  // from 1, as the console counts
    int y = 1;
};

// One cell where the terminal shows something else than the console's grid holds.
struct CellDifference {
    int x = 0;
    int y = 0;
    console::Cell expected;
    PaneCell shown;
};

// The cells of the pane that differ from the grid (cells beyond the grid must be blank in
// light grey on black). Two things are compared by what the eye sees rather than by the
// bytes:
// - a blank shows only its background (and lines drawn through it): its text colour and
//   boldness are not compared (erasing leaves the text colour to the terminal), and the
//   terminal's default background counts as black (a cleared screen shows it, and the
//   backend takes it for the console's usual light grey on black); anywhere else the
//   terminal's default colours match no PC colour;
// - the digits of date and time texts ("06/12/2026", "07:05:09", "06/12/26 07:05", also
//   cut at the edge of a window) need only be digits in the same look: a reading is stamped
//   with the clock of the run that stored it, and two runs never store at the same moment.
std::vector<CellDifference> DifferingCells(const console::CellGrid& expected, const PaneGrid& shown,
                                           int colour_count);

bool SameCursor(const console::CursorState& expected, const PaneCursor& shown);

// Both screens row by row, side by side, then every differing cell with both looks, and the
// cursors when they differ: what a developer needs to see what went wrong.
std::string ParityReport(const console::CellGrid& expected, const console::CursorState& cursor,
                         const PaneGrid& shown, const PaneCursor& shown_cursor, int colour_count);

}  // namespace tavix::testing
