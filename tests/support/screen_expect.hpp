#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/cell_grid.hpp"
#include "console/scripted_terminal.hpp"
#include "console/text_console.hpp"

namespace tavix::testing {

// The glyphs of columns x1..x2 of row y as UTF-8.
std::string RowSpan(const console::CellGrid& grid, int y, int x1, int x2);

// Checks that the rows starting at (x, first_row) read as expected, each expected row
// compared over its own length in characters (UTF-8 allowed: box lines, the triangle).
::testing::AssertionResult RowsAre(const console::CellGrid& grid, int x, int first_row,
                                   const std::vector<std::string>& expected);

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
