#pragma once

#include <string>
#include <vector>

#include "colours.hpp"

namespace tavix::console {

// One character cell of the console: what it shows and in which colours.
struct Cell {
    char32_t glyph = U' ';
    Colour fg = colours::kLightGray;
    Colour bg = colours::kBlack;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// A rectangle of cells, 1-based, corners included: (x1, y1) top left, (x2, y2) bottom right.
struct Rect {
    int x1 = 1;
    int y1 = 1;
    int x2 = 0;
    int y2 = 0;

    int Width() const { return x2 - x1 + 1; }
    int Height() const { return y2 - y1 + 1; }
    bool Empty() const { return x2 < x1 || y2 < y1; }
    bool Contains(int x, int y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The console's screen as a grid of cells addressed as (column, row) from (1, 1).
// Every drawing operation works on a grid; terminals only show one.
class CellGrid {
  public:
    CellGrid() = default;
    CellGrid(int columns, int rows);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    Rect Bounds() const { return Rect{1, 1, columns_, rows_}; }
    bool Contains(int x, int y) const { return x >= 1 && x <= columns_ && y >= 1 && y <= rows_; }

    // Reading outside the grid is a programming error; writes outside it are dropped, so
    // drawing is clipped at the edges.
    const Cell& At(int x, int y) const;
    void Set(int x, int y, const Cell& cell);

    // The part of r that lies on the grid (possibly empty).
    Rect Clip(const Rect& r) const;

    void Fill(const Rect& r, const Cell& cell);

    // Keeps the cells that lie in both the old and the new size; new cells are blank.
    void Resize(int columns, int rows, const Cell& blank);

    // The glyphs of one row as UTF-8, for tests and diagnostics.
    std::string RowText(int y) const;

    friend bool operator==(const CellGrid&, const CellGrid&) = default;

  private:
    int columns_ = 0;
    int rows_ = 0;
    std::vector<Cell> cells_;
};

}  // namespace tavix::console
