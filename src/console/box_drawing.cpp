#include "box_drawing.hpp"

#include "code_page.hpp"

namespace tavix::console {

namespace {

struct LineGlyphs {
    char32_t horizontal, vertical, top_left, top_right, bottom_left, bottom_right;
};

constexpr LineGlyphs kSingleLines{U'\u2500', U'\u2502', U'\u250C', U'\u2510', U'\u2514', U'\u2518'};
constexpr LineGlyphs kDoubleLines{U'\u2550', U'\u2551', U'\u2554', U'\u2557', U'\u255A', U'\u255D'};

Cell WithGlyph(Cell cell, char32_t glyph) {
    cell.glyph = glyph;
    return cell;
}

}  // namespace

void DrawBox(CellGrid& grid, const Rect& r, LineStyle style, const Cell& frame,
             const Cell& inside) {
    if (r.Empty()) {
        return;
    }
    grid.Fill(r, WithGlyph(inside, U' '));
    if (r.Width() < 2 || r.Height() < 2) {
        return;
    }
    const LineGlyphs& g = style == LineStyle::kDouble ? kDoubleLines : kSingleLines;
    for (int x = r.x1 + 1; x < r.x2; ++x) {
        grid.Set(x, r.y1, WithGlyph(frame, g.horizontal));
        grid.Set(x, r.y2, WithGlyph(frame, g.horizontal));
    }
    for (int y = r.y1 + 1; y < r.y2; ++y) {
        grid.Set(r.x1, y, WithGlyph(frame, g.vertical));
        grid.Set(r.x2, y, WithGlyph(frame, g.vertical));
    }
    grid.Set(r.x1, r.y1, WithGlyph(frame, g.top_left));
    grid.Set(r.x2, r.y1, WithGlyph(frame, g.top_right));
    grid.Set(r.x1, r.y2, WithGlyph(frame, g.bottom_left));
    grid.Set(r.x2, r.y2, WithGlyph(frame, g.bottom_right));
}

void CastShadow(CellGrid& grid, const Rect& r, const Cell& shadow_colours) {
    if (r.Empty()) {
        return;
    }
    auto darken = [&](int x, int y) {
        if (grid.Contains(x, y)) {
            grid.Set(x, y, WithGlyph(shadow_colours, grid.At(x, y).glyph));
        }
    };
    for (int y = r.y1 + 1; y <= r.y2 + 1; ++y) {
        darken(r.x2 + 1, y);
    }
    for (int x = r.x1 + 1; x <= r.x2; ++x) {
        darken(x, r.y2 + 1);
    }
}

Rect WithShadow(const Rect& r) {
    return Rect{r.x1, r.y1, r.x2 + 1, r.y2 + 1};
}

void WriteText(CellGrid& grid, int x, int y, const std::string& text, const Cell& colours,
               int max_x) {
    for (size_t i = 0; i < text.size(); ++i) {
        const int column = x + static_cast<int>(i);
        if (column > max_x) {
            break;
        }
        grid.Set(column, y, WithGlyph(colours, GlyphOfByte(static_cast<unsigned char>(text[i]))));
    }
}

}  // namespace tavix::console
