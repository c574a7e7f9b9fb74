#include <algorithm>

#include "item_list.hpp"
#include "saved_area.hpp"
#include "text_console.hpp"
#include "word_wrap.hpp"

namespace tavix::console {

namespace {

// Inside the frame: one blank column each side of the text where the console has room for
// it, one blank row above the text and one between the text and the buttons.
constexpr int kMargin = 1;

int ButtonRowWidth(const std::vector<std::string>& buttons) {
    int width = 0;
    for (const std::string& caption : buttons) {
        width += static_cast<int>(caption.size()) + 2;  // " caption "
    }
    return width + static_cast<int>(buttons.size()) - 1;  // one blank between buttons
}

int CentredStart(int console_size, int box_size) {
    return console_size > box_size ? (console_size - box_size) / 2 + 1 : 1;
}

}  // namespace

bool TextConsole::MessageBox(std::int32_t /*mode*/) {
    TellWidgetStarts("MessageBox");
    std::vector<std::string> buttons = SplitItems(MessageButtons);
    if (buttons.empty()) {
        buttons.push_back("Ok");
    }
    const int shadow = Shadow ? 1 : 0;
    // A text wraps only when it does not fit on one row; the side margins give way first.
    const int widest_text = std::max(1, Columns() - shadow - 2);
    const std::vector<std::string> lines = WrapWords(MessageText, widest_text);
    int inner = ButtonRowWidth(buttons);
    for (const std::string& line : lines) {
        inner = std::max(inner, static_cast<int>(line.size()));
    }
    const int margin = inner + 2 * kMargin <= widest_text ? kMargin : 0;
    const int width = inner + 2 + 2 * margin;
    const int height = static_cast<int>(lines.size()) + 5;
    const int x1 = CentredStart(Columns(), width + shadow);
    const int y1 = CentredStart(Rows(), height + shadow);
    const Rect frame{x1, y1, x1 + width - 1, y1 + height - 1};
    const Rect covered = WithShadow(frame);
    const std::string saved = EncodeArea(grid_, covered);

    int choice = std::clamp(MessageChoice, 1, static_cast<int>(buttons.size()));
    const Cell body = SlotCell(DispatchId::kDialogText, DispatchId::kDialogBack);
    auto draw = [&] {
        DrawFramed(frame, SlotCell(DispatchId::kDialogFrame, DispatchId::kDialogBack), body);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int row = y1 + 2 + static_cast<int>(i);
            const int start = x1 + 1 + margin + (inner - static_cast<int>(lines[i].size())) / 2;
            WriteText(grid_, start, row, lines[i], body, frame.x2 - 1);
        }
        int column = x1 + 1 + margin + (inner - ButtonRowWidth(buttons)) / 2;
        for (size_t i = 0; i < buttons.size(); ++i) {
            const bool selected = static_cast<int>(i) + 1 == choice;
            const Cell look = selected ? SlotCell(DispatchId::kSelectedButtonText,
                                                  DispatchId::kSelectedButtonBack)
                                       : SlotCell(DispatchId::kButtonText, DispatchId::kButtonBack);
            WriteText(grid_, column, frame.y2 - 1, " " + buttons[i] + " ", look, frame.x2 - 1);
            column += static_cast<int>(buttons[i].size()) + 3;
        }
    };
    auto close = [&](bool accepted) {
        RestoreEncodedArea(grid_, covered, saved);
        if (accepted) {
            MessageChoice = choice;
        }
        return accepted;
    };

    const int count = static_cast<int>(buttons.size());
    for (;;) {
        draw();
        switch (ReadKey()) {
            case keys::kLeft:
            case keys::kShiftTab:
                choice = choice == 1 ? count : choice - 1;
                break;
            case keys::kRight:
            case keys::kTab:
                choice = choice == count ? 1 : choice + 1;
                break;
            case keys::kEnter:
                return close(true);
            case keys::kEsc:
                return close(false);
            default:
                break;
        }
    }
}

}  // namespace tavix::console
