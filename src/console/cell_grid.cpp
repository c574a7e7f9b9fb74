#include "cell_grid.hpp"

#include <algorithm>
#include <stdexcept>

#include "text/utf8.hpp"

namespace tavix::console {

CellGrid::CellGrid(int columns, int rows)
    : columns_(std::max(columns, 0)),
      rows_(std::max(rows, 0)),
      cells_(static_cast<size_t>(columns_) * static_cast<size_t>(rows_)) {}

const Cell& CellGrid::At(int x, int y) const {
    if (!Contains(x, y)) {
        throw std::out_of_range("cell (" + std::to_string(x) + ", " + std::to_string(y) +
                                ") is outside the console");
    }
    return cells_[static_cast<size_t>(y - 1) * columns_ + (x - 1)];
}

void CellGrid::Set(int x, int y, const Cell& cell) {
    if (Contains(x, y)) {
        cells_[static_cast<size_t>(y - 1) * columns_ + (x - 1)] = cell;
    }
}

Rect CellGrid::Clip(const Rect& r) const {
    return Rect{std::max(r.x1, 1), std::max(r.y1, 1), std::min(r.x2, columns_),
                std::min(r.y2, rows_)};
}

void CellGrid::Fill(const Rect& r, const Cell& cell) {
    const Rect clipped = Clip(r);
    for (int y = clipped.y1; y <= clipped.y2; ++y) {
        for (int x = clipped.x1; x <= clipped.x2; ++x) {
            Set(x, y, cell);
        }
    }
}

void CellGrid::Resize(int columns, int rows, const Cell& blank) {
    CellGrid resized(columns, rows);
    std::fill(resized.cells_.begin(), resized.cells_.end(), blank);
    const Rect common = resized.Clip(Bounds());
    for (int y = common.y1; y <= common.y2; ++y) {
        for (int x = common.x1; x <= common.x2; ++x) {
            resized.Set(x, y, At(x, y));
        }
    }
    *this = std::move(resized);
}

std::string CellGrid::RowText(int y) const {
    std::string text;
    for (int x = 1; x <= columns_; ++x) {
        text::AppendUtf8(text, At(x, y).glyph);
    }
    return text;
}

}  // namespace tavix::console
