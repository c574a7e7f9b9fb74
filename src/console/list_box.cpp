#include <algorithm>

#include "item_list.hpp"
#include "saved_area.hpp"
#include "text_console.hpp"

namespace tavix::console {

namespace {

constexpr int kSmallestSide = 3;  // a frame and one line

// The highlighted line and the window of lines and columns a pick list shows.
class ListView {
  public:
    ListView(int line_count, int visible_rows, int visible_columns, int longest_line)
        : count_(line_count),
          rows_(visible_rows),
          columns_(visible_columns),
          longest_(longest_line) {}

    int Current() const { return current_; }
    int FirstRow() const { return first_row_; }
    int FirstColumn() const { return first_column_; }

    void Select(int line) {
        current_ = count_ == 0 ? 0 : std::clamp(line, 0, count_ - 1);
        if (current_ < first_row_) {
            first_row_ = current_;
        } else if (current_ >= first_row_ + rows_) {
            first_row_ = current_ - rows_ + 1;
        }
    }
    void Scroll(int by) {
        first_column_ = std::clamp(first_column_ + by, 0, std::max(0, longest_ - columns_));
    }
    int Page() const { return std::max(1, rows_ - 1); }
    int Count() const { return count_; }

  private:
    int count_;
    int rows_;
    int columns_;
    int longest_;
    int current_ = 0;
    int first_row_ = 0;
    int first_column_ = 0;
};

int Longest(const std::vector<std::string>& lines) {
    size_t longest = 0;
    for (const std::string& line : lines) {
        longest = std::max(longest, line.size());
    }
    return static_cast<int>(longest);
}

}  // namespace

bool TextConsole::ListBox(int x, int y, std::int32_t list_id) {
    TellWidgetStarts("ListBox");
    const std::vector<std::string> lines = SplitItems(ListItems);
    const int shadow = Shadow ? 1 : 0;
    // The list is as large as asked, but never larger than what fits from (x, y) with its
    // shadow; a size of 0 fits the list to its lines.
    const int wanted_width = ListWidth > 0 ? ListWidth : Longest(lines) + 2;
    const int wanted_rows = ListRows > 0 ? ListRows : static_cast<int>(lines.size()) + 2;
    const int width = std::max(kSmallestSide, std::min(wanted_width, Columns() - x + 1 - shadow));
    const int height = std::max(kSmallestSide, std::min(wanted_rows, Rows() - y + 1 - shadow));
    const Rect frame{x, y, x + width - 1, y + height - 1};
    const Rect covered = WithShadow(frame);
    const std::string saved = EncodeArea(grid_, covered);

    ListView view(static_cast<int>(lines.size()), height - 2, width - 2, Longest(lines));
    view.Select(ListIndex - 1);

    auto draw = [&] {
        const Cell text = SlotCell(DispatchId::kListText, DispatchId::kListBack);
        const Cell bar = SlotCell(DispatchId::kListBarText, DispatchId::kListBarBack);
        DrawFramed(frame, SlotCell(DispatchId::kListFrame, DispatchId::kListBack), text);
        const std::string title = ListTitle.substr(0, static_cast<size_t>(std::max(0, width - 4)));
        if (!title.empty()) {
            const int start = x + (width - static_cast<int>(title.size())) / 2;
            WriteText(grid_, start, y, title,
                      SlotCell(DispatchId::kListTitleColour, DispatchId::kListBack), frame.x2 - 1);
        }
        for (int row = 0; row < height - 2; ++row) {
            const int line = view.FirstRow() + row;
            if (line >= view.Count()) {
                break;
            }
            const Cell look = line == view.Current() ? bar : text;
            const std::string& content = lines[static_cast<size_t>(line)];
            const std::string shown = view.FirstColumn() < static_cast<int>(content.size())
                                          ? content.substr(static_cast<size_t>(view.FirstColumn()))
                                          : std::string();
            grid_.Fill(Rect{x + 1, y + 1 + row, frame.x2 - 1, y + 1 + row}, look);
            WriteText(grid_, x + 1, y + 1 + row, shown, look, frame.x2 - 1);
        }
    };
    auto close = [&](bool accepted) {
        RestoreEncodedArea(grid_, covered, saved);
        ListIndex = view.Current() + 1;
        return accepted;
    };

    for (;;) {
        draw();
        KeyCode key = 0;
        const KeyAction action =
            ReadWidgetKey(key, [&](KeyEvents& handler, KeyCode& handed, KeyAction& told) {
                ListIndex = view.Current() + 1;
                handler.ListKey(handed, told, list_id);
                view.Select(ListIndex - 1);
            });
        if (action == KeyAction::kAccept) {
            return close(view.Count() > 0);
        }
        if (action == KeyAction::kEndNotAccepted) {
            return close(false);
        }
        if (action != KeyAction::kConsole) {
            continue;
        }
        switch (key) {
            case keys::kUp:
                view.Select(view.Current() - 1);
                break;
            case keys::kDown:
                view.Select(view.Current() + 1);
                break;
            case keys::kPageUp:
                view.Select(view.Current() - view.Page());
                break;
            case keys::kPageDown:
                view.Select(view.Current() + view.Page());
                break;
            case keys::kHome:
                view.Select(0);
                break;
            case keys::kEnd:
                view.Select(view.Count() - 1);
                break;
            case keys::kLeft:
                view.Scroll(-1);
                break;
            case keys::kRight:
                view.Scroll(+1);
                break;
            case keys::kEnter:
                if (view.Count() > 0) {
                    return close(true);
                }
                break;
            case keys::kEsc:
                return close(false);
            default:
                break;
        }
    }
}

}  // namespace tavix::console
