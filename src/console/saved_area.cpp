#include "saved_area.hpp"

#include <stdexcept>
#include <vector>

#include "saved_text.hpp"

namespace tavix::console {

namespace {

constexpr std::string_view kTag = "console-area-1";

}  // namespace

std::string EncodeArea(const CellGrid& grid, const Rect& r) {
    const Rect area = grid.Clip(r);
    SavedTextWriter out(kTag);
    out.Number(area.x1);
    out.Number(area.y1);
    out.Number(area.x2);
    out.Number(area.y2);
    for (int y = area.y1; y <= area.y2; ++y) {
        for (int x = area.x1; x <= area.x2; ++x) {
            const Cell& cell = grid.At(x, y);
            out.Number(static_cast<long long>(cell.glyph));
            out.Number(cell.fg);
            out.Number(cell.bg);
        }
    }
    return std::move(out).Finish();
}

void RestoreEncodedArea(CellGrid& grid, const Rect& within, const std::string& saved) {
    SavedTextReader in(saved, kTag);
    Rect area;
    area.x1 = in.Int();
    area.y1 = in.Int();
    area.x2 = in.Int();
    area.y2 = in.Int();
    // Each cell takes at least six characters of the text; anything claiming more cells is
    // damaged, and refusing it early keeps a forged size from running away.
    const long long cell_count =
        area.Empty() ? 0 : static_cast<long long>(area.Width()) * area.Height();
    if (cell_count > static_cast<long long>(saved.size() / 6)) {
        throw std::invalid_argument("not a saved console text: cut short");
    }
    // Read everything before writing anything: a damaged text changes no cell.
    std::vector<Cell> cells;
    cells.reserve(static_cast<size_t>(cell_count));
    for (int y = area.y1; y <= area.y2; ++y) {
        for (int x = area.x1; x <= area.x2; ++x) {
            const long long glyph = in.Number();
            const int fg = in.Int();
            const int bg = in.Int();
            if (glyph < 0 || glyph > 0x10FFFF || fg < 0 || fg > 15 || bg < 0 || bg > 15) {
                throw std::invalid_argument("not a saved console text: bad cell");
            }
            cells.push_back(Cell{static_cast<char32_t>(glyph), static_cast<Colour>(fg),
                                 static_cast<Colour>(bg)});
        }
    }
    in.ExpectEnd();
    size_t next = 0;
    for (int y = area.y1; y <= area.y2; ++y) {
        for (int x = area.x1; x <= area.x2; ++x) {
            const Cell& cell = cells[next++];
            if (within.Contains(x, y)) {
                grid.Set(x, y, cell);
            }
        }
    }
}

}  // namespace tavix::console
