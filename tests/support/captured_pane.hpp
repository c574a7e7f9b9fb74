#pragma once

#include <string>
#include <vector>

namespace tavix::testing {

// A colour as a terminal holds it: its own default, or a palette index (0-7 the normal
// colours, 8-15 their bright forms, up to 255 the extended palette), or a direct RGB colour.
struct PaneColour {
    static constexpr int kDefault = -1;
    static constexpr int kRgbFlag = 1 << 24;

    int value = kDefault;

    static PaneColour Rgb(int red, int green, int blue) {
        return PaneColour{kRgbFlag | (red << 16) | (green << 8) | blue};
    }
    friend bool operator==(const PaneColour&, const PaneColour&) = default;
};

// The SGR attributes a cell may carry besides its colours.
namespace pane_attributes {
inline constexpr unsigned kBold = 1u << 0;
inline constexpr unsigned kDim = 1u << 1;
inline constexpr unsigned kItalic = 1u << 2;
inline constexpr unsigned kUnderline = 1u << 3;
inline constexpr unsigned kBlink = 1u << 4;
inline constexpr unsigned kReverse = 1u << 5;
inline constexpr unsigned kHidden = 1u << 6;
inline constexpr unsigned kStrikethrough = 1u << 7;
inline constexpr unsigned kOverline = 1u << 8;
}  // namespace pane_attributes

// How one cell looks on the terminal, apart from its character.
struct PaneLook {
    PaneColour fg;
    PaneColour bg;
    unsigned attributes = 0;

    friend bool operator==(const PaneLook&, const PaneLook&) = default;
};

struct PaneCell {
    char32_t glyph = U' ';
    PaneLook look;

    friend bool operator==(const PaneCell&, const PaneCell&) = default;
};

// A pane's screen as tmux holds it, cell by cell, addressed (column, row) from (1, 1).
class PaneGrid {
  public:
    PaneGrid(int columns, int rows);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    const PaneCell& At(int x, int y) const;
    void Set(int x, int y, const PaneCell& cell);
    // The characters of row y as UTF-8.
    std::string RowText(int y) const;

  private:
    int columns_;
    int rows_;
    std::vector<PaneCell> cells_;
};

// Reads what `tmux capture-pane -p -e` printed: one line per row, characters in UTF-8, and
// SGR sequences where the look changes. tmux writes only the changes from the cell before,
// across line ends too, and leaves out the blank cells at a line's end that were never
// written; those are blanks in the terminal's default look, as is every cell of a missing
// row. Characters beyond `columns` are dropped.
PaneGrid ParseCapturedPane(const std::string& capture, int columns, int rows);

// "93 on 44", "default on 40 bold", "38;5;208 on default": the look in SGR terms.
std::string DescribeLook(const PaneLook& look);

}  // namespace tavix::testing
