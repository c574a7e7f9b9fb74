#include <algorithm>

#include "item_list.hpp"
#include "text_console.hpp"

namespace tavix::console {

namespace {

constexpr int kNoEntry = -1;

// Which entry of a menu is highlighted, moving only among selectable entries and never
// wrapping around.
class MenuCursor {
  public:
    MenuCursor(const std::vector<MenuEntry>& entries, int wanted) : entries_(entries) {
        current_ = Nearest(wanted);
    }

    int Current() const { return current_; }

    // wanted is 0-based; a masked entry or a spacer gives the next selectable one after it,
    // or else the last one before it.
    int Nearest(int wanted) const {
        const int count = static_cast<int>(entries_.size());
        if (count == 0) {
            return kNoEntry;
        }
        wanted = std::clamp(wanted, 0, count - 1);
        const int after = Step(wanted - 1, +1);
        return after != kNoEntry ? after : Step(wanted + 1, -1);
    }

    void MoveTo(int entry) { current_ = Nearest(entry); }
    void Up() { Keep(Step(current_, -1)); }
    void Down() { Keep(Step(current_, +1)); }
    void First() { Keep(Step(-1, +1)); }
    void Last() { Keep(Step(static_cast<int>(entries_.size()), -1)); }

  private:
    // The first selectable entry strictly beyond `from` in the given direction.
    int Step(int from, int direction) const {
        for (int i = from + direction; i >= 0 && i < static_cast<int>(entries_.size());
             i += direction) {
            if (entries_[static_cast<size_t>(i)].selectable) {
                return i;
            }
        }
        return kNoEntry;
    }
    void Keep(int entry) {
        if (entry != kNoEntry) {
            current_ = entry;
        }
    }

    const std::vector<MenuEntry>& entries_;
    int current_ = kNoEntry;
};

int CaptionWidth(const std::vector<MenuEntry>& entries) {
    size_t width = 1;
    for (const MenuEntry& entry : entries) {
        width = std::max(width, entry.caption.size());
    }
    return static_cast<int>(width);
}

}  // namespace

bool TextConsole::Menu(int x, int y, std::int32_t menu_id) {
    TellWidgetStarts("Menu");
    const std::vector<MenuEntry> entries = ParseMenu(MenuItems, MenuMask);
    MenuCursor cursor(entries, MenuIndex - 1);
    const int width = CaptionWidth(entries);

    auto draw = [&] {
        const Cell normal = SlotCell(DispatchId::kMenuText, DispatchId::kMenuBack);
        const Cell bar = SlotCell(DispatchId::kMenuBarText, DispatchId::kMenuBarBack);
        const Cell disabled = SlotCell(DispatchId::kMenuDisabledText, DispatchId::kMenuBack);
        for (size_t i = 0; i < entries.size(); ++i) {
            const MenuEntry& entry = entries[i];
            const int row = y + static_cast<int>(i);
            const bool highlighted = static_cast<int>(i) == cursor.Current();
            const Cell look = highlighted                                 ? bar
                              : entry.caption.empty() || entry.selectable ? normal
                                                                          : disabled;
            grid_.Fill(Rect{x, row, x + width - 1, row}, look);
            WriteText(grid_, x, row, entry.caption, look, x + width - 1);
            if (entry.selectable && entry.hot_position >= 0) {
                Cell hot = grid_.Contains(x + entry.hot_position, row)
                               ? grid_.At(x + entry.hot_position, row)
                               : look;
                hot.fg = SlotColour(DispatchId::kMenuHotLetter);
                grid_.Set(x + entry.hot_position, row, hot);
            }
        }
        if (BoolSetting(DispatchId::kShowDescription)) {
            const int column = IntSetting(DispatchId::kDescriptionColumn);
            const int line = IntSetting(DispatchId::kDescriptionRow);
            const int size = IntSetting(DispatchId::kDescriptionWidth);
            const std::string description =
                cursor.Current() == kNoEntry
                    ? std::string()
                    : entries[static_cast<size_t>(cursor.Current())].description;
            grid_.Fill(Rect{column, line, column + size - 1, line}, normal);
            WriteText(grid_, column, line, description, normal, column + size - 1);
        }
    };
    auto finish = [&](bool accepted) {
        if (cursor.Current() != kNoEntry) {
            MenuIndex = cursor.Current() + 1;
        }
        draw();
        return accepted;
    };

    for (;;) {
        draw();
        KeyCode key = 0;
        const KeyAction action =
            ReadWidgetKey(key, [&](KeyEvents& handler, KeyCode& handed, KeyAction& told) {
                if (cursor.Current() != kNoEntry) {
                    MenuIndex = cursor.Current() + 1;
                }
                handler.MenuKey(handed, told, menu_id);
                if (MenuIndex >= 1 && MenuIndex <= static_cast<int>(entries.size())) {
                    cursor.MoveTo(MenuIndex - 1);
                }
            });
        if (action == KeyAction::kAccept) {
            return finish(cursor.Current() != kNoEntry);
        }
        if (action == KeyAction::kEndNotAccepted) {
            return finish(false);
        }
        if (action != KeyAction::kConsole) {
            continue;
        }
        switch (key) {
            case keys::kUp:
                cursor.Up();
                break;
            case keys::kDown:
                cursor.Down();
                break;
            case keys::kHome:
                cursor.First();
                break;
            case keys::kEnd:
                cursor.Last();
                break;
            case keys::kEnter:
                if (cursor.Current() != kNoEntry) {
                    return finish(true);
                }
                break;
            case keys::kEsc:
                return finish(false);
            default:
                if (const int hot = FindHotEntry(entries, key); hot != kNoEntry) {
                    cursor.MoveTo(hot);
                    return finish(true);
                }
        }
    }
}

}  // namespace tavix::console
