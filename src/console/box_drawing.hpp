#pragma once

#include "cell_grid.hpp"

namespace tavix::console {

enum class LineStyle { kSingle, kDouble };

// A frame of box-drawing lines around r, its inside filled with blanks. Only the glyphs and
// colours of `frame` and `inside` are used. A rectangle narrower or lower than two cells has
// no room for corners and is only filled.
void DrawBox(CellGrid& grid, const Rect& r, LineStyle style, const Cell& frame, const Cell& inside);

// The one-cell shadow right of and below r: the cells keep their glyphs and take the
// shadow's colours.
void CastShadow(CellGrid& grid, const Rect& r, const Cell& shadow_colours);

// r grown by its shadow: what a widget that casts one must save and give back.
Rect WithShadow(const Rect& r);

// Writes text from (x, y) on one row, clipped at the grid's edge and at max_x.
void WriteText(CellGrid& grid, int x, int y, const std::string& text, const Cell& colours,
               int max_x);

}  // namespace tavix::console
