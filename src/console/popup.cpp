#include "saved_area.hpp"
#include "saved_text.hpp"
#include "text_console.hpp"

namespace tavix::console {

namespace {

constexpr std::string_view kPopupTag = "console-popup-1";

// Top-left corner that centres a box of the given size on the console. A box wider or
// higher than the console starts at its edge and is clipped on the other side.
int CentredStart(int console_size, int box_size) {
    return console_size > box_size ? (console_size - box_size) / 2 + 1 : 1;
}

}  // namespace

std::string TextConsole::ShowMessage(const std::string& text) {
    TellWidgetStarts("ShowMessage");
    const int width = static_cast<int>(text.size()) + 2;
    const int height = 3;
    const int x1 = CentredStart(Columns(), width);
    const int y1 = CentredStart(Rows(), height);
    const Rect frame{x1, y1, x1 + width - 1, y1 + height - 1};
    const Rect covered = WithShadow(frame);

    SavedTextWriter out(kPopupTag);
    out.Number(covered.x1);
    out.Number(covered.y1);
    out.Number(covered.x2);
    out.Number(covered.y2);
    out.Text(SaveArea(covered.x1, covered.y1, covered.x2, covered.y2));

    const bool plain = IntSetting(DispatchId::kPopupStyle) == 0;
    const Cell body =
        plain ? TextCell() : SlotCell(DispatchId::kDialogText, DispatchId::kDialogBack);
    const Cell border =
        plain ? TextCell() : SlotCell(DispatchId::kDialogFrame, DispatchId::kDialogBack);
    DrawFramed(frame, border, body);
    WriteText(grid_, x1 + 1, y1 + 1, text, body, frame.x2 - 1);
    return std::move(out).Finish();
}

void TextConsole::CloseMessage(const std::string& saved) {
    SavedTextReader in(saved, kPopupTag);
    const int x1 = in.Int();
    const int y1 = in.Int();
    const int x2 = in.Int();
    const int y2 = in.Int();
    const std::string area = in.Text();
    in.ExpectEnd();
    RestoreArea(x1, y1, x2, y2, area);
}

}  // namespace tavix::console
