#pragma once

#include <string>

#include "cell_grid.hpp"

namespace tavix::console {

// The cells of a rectangle as an opaque text: the part of r that lies on the grid, with its
// position, so that it can be put back where it was taken.
std::string EncodeArea(const CellGrid& grid, const Rect& r);

// Puts saved cells back where they were taken, but only those inside `within` and on the
// grid. A text that EncodeArea did not make throws std::invalid_argument.
void RestoreEncodedArea(CellGrid& grid, const Rect& within, const std::string& saved);

}  // namespace tavix::console
