#include "text_console.hpp"

namespace tavix::console {

namespace {

constexpr int kDoubleLineStyle = 2;

}  // namespace

Cell TextConsole::SlotCell(DispatchId text, DispatchId back) const {
    return Cell{U' ', SlotColour(text), SlotColour(back)};
}

LineStyle TextConsole::FrameLineStyle() const {
    return IntSetting(DispatchId::kFrameStyle) == kDoubleLineStyle ? LineStyle::kDouble
                                                                   : LineStyle::kSingle;
}

void TextConsole::DrawFramed(const Rect& r, const Cell& frame, const Cell& inside) {
    DrawBox(grid_, r, FrameLineStyle(), frame, inside);
    if (Shadow) {
        CastShadow(grid_, r, ShadowCell());
    }
}

void TextConsole::DrawFrame(int x1, int y1, int x2, int y2) {
    DrawFramed(Rect{x1, y1, x2, y2}, TextCell(), TextCell());
}

}  // namespace tavix::console
