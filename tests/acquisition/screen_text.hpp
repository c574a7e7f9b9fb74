#pragma once

#include <initializer_list>
#include <string>

#include "console/cell_grid.hpp"

namespace tavix::acquisition {

// True when some row of the screen shows text, wherever it stands: for dialogs and popups
// whose position is the console's own business.
inline bool ScreenShows(const console::CellGrid& grid, const std::string& text) {
    for (int y = 1; y <= grid.Rows(); ++y) {
        if (grid.RowText(y).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// True when the screen shows every one of texts: a dialog's message wrapped over rows.
inline bool ScreenShowsAll(const console::CellGrid& grid,
                           std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) {
        if (!ScreenShows(grid, text)) {
            return false;
        }
    }
    return true;
}

}  // namespace tavix::acquisition
