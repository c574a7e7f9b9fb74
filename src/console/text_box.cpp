#include <algorithm>

#include "text_console.hpp"

namespace tavix::console {

// The text is cut into rows of TextBoxWidth characters by position (the caller lays it out);
// the box shows TextBoxHeight of them and scrolls through the rest until Esc. It draws no
// frame and stays on the screen afterwards.
void TextConsole::TextBox(int x, int y, std::int32_t /*mode*/) {
    TellWidgetStarts("TextBox");
    const int width = std::max(TextBoxWidth, 0);
    const int height = std::max(TextBoxHeight, 0);
    const std::string text = TextBoxText;
    const int row_count =
        width == 0 ? 0 : static_cast<int>((text.size() + static_cast<size_t>(width) - 1) / width);
    const int last_top = std::max(0, row_count - height);
    int top = 0;

    auto draw = [&] {
        const Cell look = TextCell();
        grid_.Fill(Rect{x, y, x + width - 1, y + height - 1}, look);
        for (int row = 0; row < height && top + row < row_count; ++row) {
            const size_t start = static_cast<size_t>(top + row) * static_cast<size_t>(width);
            WriteText(grid_, x, y + row, text.substr(start, static_cast<size_t>(width)), look,
                      x + width - 1);
        }
    };

    for (;;) {
        draw();
        switch (ReadKey()) {
            case keys::kUp:
                top = std::max(0, top - 1);
                break;
            case keys::kDown:
                top = std::min(last_top, top + 1);
                break;
            case keys::kPageUp:
                top = std::max(0, top - std::max(1, height - 1));
                break;
            case keys::kPageDown:
                top = std::min(last_top, top + std::max(1, height - 1));
                break;
            case keys::kHome:
                top = 0;
                break;
            case keys::kEnd:
                top = last_top;
                break;
            case keys::kEsc:
                return;
            default:
                break;
        }
    }
}

}  // namespace tavix::console
