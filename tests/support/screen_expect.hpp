#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "console/cell_grid.hpp"
#include "console/scripted_terminal.hpp"
#include "console/text_console.hpp"

namespace tavix::testing {

// The glyphs of columns x1..x2 of row y as UTF-8.
std::string RowSpan(const console::CellGrid& grid, int y, int x1, int x2);

// RowSpan without the blanks at its end.
std::string TrimmedRowSpan(const console::CellGrid& grid, int y, int x1, int x2);

// Checks that the rows starting at (x, first_row) read as expected, each expected row
// compared over its own length in characters (UTF-8 allowed: box lines, the triangle).
::testing::AssertionResult RowsAre(const console::CellGrid& grid, int x, int first_row,
                                   const std::vector<std::string>& expected);

// True when some row of the screen shows text, wherever it stands: for dialogs and popups
// whose position is the console's own business.
bool ScreenShows(const console::CellGrid& grid, const std::string& text);

// True when the screen shows every one of texts: a dialog's message wrapped over rows.
bool ScreenShowsAll(const console::CellGrid& grid, std::initializer_list<std::string> texts);

// A console on a scripted terminal, attached and sized like the program's (24 x 20).
struct ScriptedConsole {
    explicit ScriptedConsole(int columns = 24, int rows = 20);

    console::ScriptedTerminal& terminal;  // owned by console
    console::TextConsole console;

    const console::CellGrid& Cells() const { return console.Cells(); }

  private:
    ScriptedConsole(std::unique_ptr<console::ScriptedTerminal> owned, int columns, int rows);
};

}  // namespace tavix::testing
