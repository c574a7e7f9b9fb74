#include "support/screen_parity.hpp"

#include <array>
#include <stdexcept>

#include "text/utf8.hpp"

namespace tavix::testing {

namespace {

using console::Cell;
using console::CellGrid;
using console::Colour;

// Terminals number their eight colours from red, the PC palette from blue.
constexpr std::array<int, 8> kTerminalColourOfPc = {0, 4, 2, 6, 1, 5, 3, 7};
constexpr int kBright = 8;
constexpr int kBlack = 0;
constexpr int kLightGrey = 7;
// Attributes that draw lines through a cell, blank or not.
constexpr unsigned kLines =
    pane_attributes::kUnderline | pane_attributes::kStrikethrough | pane_attributes::kOverline;
constexpr std::size_t kMostCellsListed = 40;

constexpr std::array<const char*, 16> kPcColourNames = {
    "BLACK",    "BLUE",         "GREEN",    "CYAN",      "RED",        "MAGENTA",
    "BROWN",    "LIGHTGRAY",    "DARKGRAY", "LIGHTBLUE", "LIGHTGREEN", "LIGHTCYAN",
    "LIGHTRED", "LIGHTMAGENTA", "YELLOW",   "WHITE",
};

bool IsDigit(char32_t glyph) {
    return glyph >= U'0' && glyph <= U'9';
}

bool IsDateTimeCharacter(char32_t glyph) {
    return IsDigit(glyph) || glyph == U'/' || glyph == U':';
}

char32_t ShownGlyph(char32_t glyph) {
    return glyph == 0 ? U' ' : glyph;
}

// What the eye sees of a cell: a blank shows only its background and the lines through it.
// The terminal's default background counts as black: the backend clears the screen in the
// terminal's own colours and takes them for light grey on black, the console's usual look.
PaneCell AsSeen(PaneCell cell) {
    cell.glyph = ShownGlyph(cell.glyph);
    if (cell.glyph != U' ') {
        return cell;
    }
    const bool reversed = (cell.look.attributes & pane_attributes::kReverse) != 0;
    PaneColour background = reversed ? cell.look.fg : cell.look.bg;
    if (background.value == PaneColour::kDefault) {
        background = PaneColour{reversed ? kLightGrey : kBlack};
    }
    return PaneCell{U' ', PaneLook{PaneColour{}, background, cell.look.attributes & kLines}};
}

PaneCell ExpectedCell(const Cell& cell, int colour_count) {
    return PaneCell{ShownGlyph(cell.glyph), ExpectedLook(cell.fg, cell.bg, colour_count)};
}

// Whether column x of row y continues a date or time text: a digit, "/" or ":", or a single
// blank between digits ("06/12/26 07:05").
bool ContinuesDateTime(const CellGrid& grid, int x, int y) {
    const char32_t glyph = grid.At(x, y).glyph;
    if (IsDateTimeCharacter(glyph)) {
        return true;
    }
    return glyph == U' ' && x > 1 && x < grid.Columns() && IsDigit(grid.At(x - 1, y).glyph) &&
           IsDigit(grid.At(x + 1, y).glyph);
}

// Per column of row y, whether it holds a digit of a date or time text: a run of digits,
// "/", ":" and single blanks between digits in which a separator follows a digit.
std::vector<bool> DateTimeDigits(const CellGrid& grid, int y) {
    std::vector<bool> lenient(static_cast<std::size_t>(grid.Columns()) + 1, false);
    for (int x = 1; x <= grid.Columns();) {
        if (!IsDateTimeCharacter(grid.At(x, y).glyph)) {
            ++x;
            continue;
        }
        int end = x;
        bool separated = false;
        while (end <= grid.Columns() && ContinuesDateTime(grid, end, y)) {
            const char32_t glyph = grid.At(end, y).glyph;
            separated = separated || ((glyph == U'/' || glyph == U':') && end > x &&
                                      IsDigit(grid.At(end - 1, y).glyph));
            ++end;
        }
        for (int column = x; separated && column < end; ++column) {
            lenient[static_cast<std::size_t>(column)] = IsDigit(grid.At(column, y).glyph);
        }
        x = end;
    }
    return lenient;
}

std::string Utf8(char32_t glyph) {
    std::string text;
    text::AppendUtf8(text, glyph);
    return text;
}

std::string ExpectedDescription(const Cell& cell, int colour_count) {
    return "'" + Utf8(ShownGlyph(cell.glyph)) + "' " + kPcColourNames[cell.fg & 0x0F] + " on " +
           kPcColourNames[cell.bg & 0x0F] + " = " +
           DescribeLook(ExpectedLook(cell.fg, cell.bg, colour_count));
}

std::string ShownDescription(const PaneCell& cell) {
    return "'" + Utf8(ShownGlyph(cell.glyph)) + "' " + DescribeLook(cell.look);
}

std::string CursorText(bool visible, int x, int y) {
    return visible ? "visible at (" + std::to_string(x) + "," + std::to_string(y) + ")" : "hidden";
}

std::string GridRow(const CellGrid& grid, int y, int width) {
    std::string text;
    for (int x = 1; x <= width; ++x) {
        text::AppendUtf8(
            text, y <= grid.Rows() && x <= grid.Columns() ? ShownGlyph(grid.At(x, y).glyph) : U' ');
    }
    return text;
}

std::string SideBySide(const CellGrid& expected, const PaneGrid& shown,
                       const std::vector<CellDifference>& differences) {
    const int width = std::max(expected.Columns(), shown.Columns());
    const int rows = std::max(expected.Rows(), shown.Rows());
    std::vector<bool> row_differs(static_cast<std::size_t>(rows) + 1, false);
    for (const CellDifference& difference : differences) {
        row_differs[static_cast<std::size_t>(difference.y)] = true;
    }
    const std::string left_title = "console (headless)";
    std::string text =
        "      " + left_title +
        std::string(
            static_cast<std::size_t>(std::max(0, width - static_cast<int>(left_title.size()))),
            ' ') +
        " | terminal (tmux)\n";
    for (int y = 1; y <= rows; ++y) {
        const std::string number = std::to_string(y);
        text += (row_differs[static_cast<std::size_t>(y)] ? "* " : "  ") +
                std::string(3 - number.size(), ' ') + number + " " + GridRow(expected, y, width) +
                " | " + (y <= shown.Rows() ? shown.RowText(y) : "") + "\n";
    }
    return text;
}

}  // namespace

PaneLook ExpectedLook(Colour fg, Colour bg, int colour_count) {
    if (colour_count < 8) {
        throw std::invalid_argument("the screens are compared on colour terminals only");
    }
    const int text = console::PaletteColour(fg);
    const int back = console::PaletteColour(bg);
    const bool sixteen = colour_count >= 16;
    const auto terminal_colour = [&](int pc) {
        return kTerminalColourOfPc[static_cast<std::size_t>(pc % kBright)] +
               (sixteen && pc >= kBright ? kBright : 0);
    };
    PaneLook look{PaneColour{terminal_colour(text)}, PaneColour{terminal_colour(back)}, 0};
    if (!sixteen && text >= kBright) {
        look.attributes = pane_attributes::kBold;
    }
    return look;
}

std::vector<CellDifference> DifferingCells(const CellGrid& expected, const PaneGrid& shown,
                                           int colour_count) {
    const Cell blank{U' ', console::colours::kLightGray, console::colours::kBlack};
    std::vector<CellDifference> differences;
    for (int y = 1; y <= shown.Rows(); ++y) {
        const std::vector<bool> lenient =
            y <= expected.Rows() ? DateTimeDigits(expected, y) : std::vector<bool>{};
        for (int x = 1; x <= shown.Columns(); ++x) {
            const bool inside = x <= expected.Columns() && y <= expected.Rows();
            const Cell& wanted = inside ? expected.At(x, y) : blank;
            const PaneCell want = AsSeen(ExpectedCell(wanted, colour_count));
            const PaneCell got = AsSeen(shown.At(x, y));
            const bool same_digit_place = inside && lenient[static_cast<std::size_t>(x)] &&
                                          IsDigit(got.glyph) && want.look == got.look;
            if (want != got && !same_digit_place) {
                differences.push_back(CellDifference{x, y, wanted, shown.At(x, y)});
            }
        }
    }
    return differences;
}

bool SameCursor(const console::CursorState& expected, const PaneCursor& shown) {
    if (expected.visible != shown.visible) {
        return false;
    }
    return !expected.visible || (expected.x == shown.x && expected.y == shown.y);
}

std::string ParityReport(const CellGrid& expected, const console::CursorState& cursor,
                         const PaneGrid& shown, const PaneCursor& shown_cursor, int colour_count) {
    const std::vector<CellDifference> differences = DifferingCells(expected, shown, colour_count);
    std::string report = SideBySide(expected, shown, differences);
    if (!differences.empty()) {
        report += std::to_string(differences.size()) +
                  " cells differ (column,row: console = what the terminal must show | terminal):\n";
    }
    for (std::size_t i = 0; i < differences.size() && i < kMostCellsListed; ++i) {
        const CellDifference& difference = differences[i];
        report += "  (" + std::to_string(difference.x) + "," + std::to_string(difference.y) + ") " +
                  ExpectedDescription(difference.expected, colour_count) + " | " +
                  ShownDescription(difference.shown) + "\n";
    }
    if (differences.size() > kMostCellsListed) {
        report += "  ... and " + std::to_string(differences.size() - kMostCellsListed) + " more\n";
    }
    if (!SameCursor(cursor, shown_cursor)) {
        report += "cursor: console " + CursorText(cursor.visible, cursor.x, cursor.y) +
                  " | terminal " +
                  CursorText(shown_cursor.visible, shown_cursor.x, shown_cursor.y) + "\n";
    }
    return report;
}

}  // namespace tavix::testing
