#include "support/screen_expect.hpp"

#include <gtest/gtest.h>

namespace tavix::testing {

namespace {

size_t CodePoints(const std::string& utf8) {
    size_t count = 0;
    for (unsigned char c : utf8) {
        count += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

}  // namespace

std::string RowSpan(const console::CellGrid& grid, int y, int x1, int x2) {
    console::CellGrid row(x2 - x1 + 1, 1);
    for (int x = x1; x <= x2; ++x) {
        if (grid.Contains(x, y)) {
            row.Set(x - x1 + 1, 1, grid.At(x, y));
        }
    }
    return row.RowText(1);
}

std::string TrimmedRowSpan(const console::CellGrid& grid, int y, int x1, int x2) {
    std::string text = RowSpan(grid, y, x1, x2);
    return text.erase(text.find_last_not_of(' ') + 1);
}

::testing::AssertionResult RowsAre(const console::CellGrid& grid, int x, int first_row,
                                   const std::vector<std::string>& expected) {
    bool same = true;
    std::string report;
    for (size_t i = 0; i < expected.size(); ++i) {
        const int y = first_row + static_cast<int>(i);
        const int width = static_cast<int>(CodePoints(expected[i]));
        const std::string actual = RowSpan(grid, y, x, x + width - 1);
        const bool row_same = actual == expected[i];
        same = same && row_same;
        report += (row_same ? "   row " : "!! row ") + std::to_string(y) + ": \"" + actual + "\"" +
                  (row_same ? "" : " expected \"" + expected[i] + "\"") + "\n";
    }
    if (same) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "screen differs:\n" << report;
}

bool ScreenShows(const console::CellGrid& grid, const std::string& text) {
    for (int y = 1; y <= grid.Rows(); ++y) {
        if (grid.RowText(y).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool ScreenShowsAll(const console::CellGrid& grid, std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) {
        if (!ScreenShows(grid, text)) {
            return false;
        }
    }
    return true;
}

ScriptedConsole::ScriptedConsole(int columns, int rows)
    : ScriptedConsole(std::make_unique<console::ScriptedTerminal>(80, 25), columns, rows) {}

ScriptedConsole::ScriptedConsole(std::unique_ptr<console::ScriptedTerminal> owned, int columns,
                                 int rows)
    : terminal(*owned), console(std::move(owned)) {
    console.Attach(-1);
    console.Resize(columns, rows);
}

}  // namespace tavix::testing
