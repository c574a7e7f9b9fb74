// The console's item strings and masks, and the menu, pick list and message dialog that run
// on them: random items, masks, indexes, sizes, positions and keys on a scripted terminal,
// with a key-event receiver that may end, redirect or re-point the running widget.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console/item_list.hpp"
#include "console/scripted_terminal.hpp"
#include "console/text_console.hpp"
#include "fuzz_check.hpp"

namespace {

namespace console = tavix::console;
namespace keys = console::keys;
using console::DispatchId;
using console::KeyAction;
using console::KeyCode;
using tavix::fuzz::Fail;
using tavix::fuzz::Require;

constexpr int kLargestConsoleColumns = 120;
constexpr int kLargestConsoleRows = 60;
constexpr std::size_t kLongestItems = 300;
constexpr int kMostKeys = 48;

constexpr KeyCode kWidgetKeys[] = {keys::kUp,     keys::kDown,     keys::kHome,  keys::kEnd,
                                   keys::kPageUp, keys::kPageDown, keys::kLeft,  keys::kRight,
                                   keys::kTab,    keys::kShiftTab, keys::kEnter, keys::kEsc};

std::string Join(const std::vector<std::string>& entries) {
    std::string joined;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        joined += (i == 0 ? "" : "#") + entries[i];
    }
    return joined;
}

int FoldCase(int c) {
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

void CheckItemParsing(const std::string& items, const std::string& mask, KeyCode key) {
    const std::vector<std::string> split = console::SplitItems(items);
    Require(split.empty() == items.empty(), "SplitItems: entries of nothing, or none of something");
    Require(Join(split) == items, "SplitItems: the entries joined again are not the items");

    const std::vector<console::MenuEntry> entries = console::ParseMenu(items, mask);
    Require(entries.size() == split.size(), "ParseMenu: not one entry per item");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const console::MenuEntry& entry = entries[i];
        const std::string caption = split[i].substr(0, split[i].find('|'));
        Require(entry.caption.find('~') == std::string::npos, "ParseMenu: a '~' left in a caption");
        Require(entry.caption.size() + std::count(caption.begin(), caption.end(), '~') ==
                    caption.size(),
                "ParseMenu: the caption lost more than its '~'");
        Require(
            entry.hot_position >= -1 && entry.hot_position < static_cast<int>(entry.caption.size()),
            "ParseMenu: the hot letter is outside the caption");
        const bool masked = i < mask.size() && mask[i] == '1';
        Require(entry.selectable == (!entry.caption.empty() && !masked),
                "ParseMenu: selectable is not 'has a caption and is not masked'");
    }

    const int hot = console::FindHotEntry(entries, key);
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const console::MenuEntry& entry = entries[static_cast<std::size_t>(i)];
        const bool matches =
            entry.selectable && entry.hot_position >= 0 &&
            FoldCase(static_cast<unsigned char>(
                entry.caption[static_cast<std::size_t>(entry.hot_position)])) == FoldCase(key);
        if (matches) {
            Require(hot == i, "FindHotEntry: not the first entry with that hot letter");
            return;
        }
    }
    Require(hot == -1, "FindHotEntry: found an entry without that hot letter");
}

// A key-event receiver that, while keys other than the final Esc remain, lets the fuzzer
// end the widget, tell it the value changed, replace the key or move the highlight.
class FuzzedKeyEvents : public console::KeyEvents {
  public:
    FuzzedKeyEvents(FuzzedDataProvider& input, console::ScriptedTerminal& terminal,
                    console::TextConsole& console)
        : input_(input), terminal_(terminal), console_(console) {}

    void FieldKey(KeyCode&, KeyAction&, std::int32_t) override {
        Fail("a field event from a widget that has no field");
    }
    void ListKey(KeyCode& key, KeyAction& action, std::int32_t) override {
        Decide(key, action, console_.ListIndex);
    }
    void MenuKey(KeyCode& key, KeyAction& action, std::int32_t) override {
        Decide(key, action, console_.MenuIndex);
    }

  private:
    void Decide(KeyCode& key, KeyAction& action, int& index) {
        if (terminal_.PendingKeys() == 0 || input_.remaining_bytes() == 0) {
            return;  // the final Esc is the console's, so the widget always ends
        }
        switch (input_.ConsumeIntegralInRange(0, 7)) {
            case 0:
                action = KeyAction::kAccept;
                break;
            case 1:
                action = KeyAction::kEndNotAccepted;
                break;
            case 2:
                action = KeyAction::kValueChanged;
                break;
            case 3:
                index = input_.ConsumeIntegral<std::int16_t>();
                break;
            case 4:
                key = input_.ConsumeIntegral<std::uint8_t>();
                break;
            default:
                break;
        }
    }

    FuzzedDataProvider& input_;
    console::ScriptedTerminal& terminal_;
    console::TextConsole& console_;
};

// A position near the console, now and then anywhere a 16-bit setting can put it.
int Position(FuzzedDataProvider& input, int size) {
    if (input.ConsumeIntegralInRange(0, 7) == 0) {
        return input.ConsumeIntegral<std::int16_t>();
    }
    return input.ConsumeIntegralInRange(-3, size + 3);
}

// A grid whose cells all differ from their neighbours, so that any cell a widget leaves
// behind, or puts back in the wrong place, shows.
void FillWithPattern(console::CellGrid& grid) {
    for (int y = 1; y <= grid.Rows(); ++y) {
        for (int x = 1; x <= grid.Columns(); ++x) {
            grid.Set(x, y,
                     console::Cell{static_cast<char32_t>('A' + (x * 7 + y * 3) % 26),
                                   static_cast<console::Colour>((x + y) % 16),
                                   static_cast<console::Colour>((x * 3 + y) % 16)});
        }
    }
}

bool Covers(int x1, int y1, int x2, int y2, int x, int y) {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}

void RunMenu(FuzzedDataProvider& input, console::TextConsole& console, int x, int y) {
    console.MenuItems = input.ConsumeRandomLengthString(kLongestItems);
    console.MenuMask = input.ConsumeRandomLengthString(16);
    CheckItemParsing(console.MenuItems, console.MenuMask, input.ConsumeIntegral<std::uint8_t>());
    console.MenuIndex = input.ConsumeIntegral<std::int16_t>();
    const bool description = input.ConsumeBool();
    const int description_column = Position(input, console.Columns());
    const int description_row = Position(input, console.Rows());
    const int description_width = input.ConsumeIntegral<std::int16_t>();
    console.Put(DispatchId::kShowDescription, description);
    console.Put(DispatchId::kDescriptionColumn, description_column);
    console.Put(DispatchId::kDescriptionRow, description_row);
    console.Put(DispatchId::kDescriptionWidth, description_width);

    const std::vector<console::MenuEntry> entries =
        console::ParseMenu(console.MenuItems, console.MenuMask);
    const bool any_selectable = std::any_of(entries.begin(), entries.end(),
                                            [](const auto& entry) { return entry.selectable; });
    std::size_t width = 1;
    for (const auto& entry : entries) {
        width = std::max(width, entry.caption.size());
    }
    const console::CellGrid before = console.Cells();

    const bool accepted = console.Menu(x, y, 1);

    Require(!accepted || any_selectable, "Menu: accepted with nothing to choose");
    if (any_selectable) {
        Require(console.MenuIndex >= 1 && console.MenuIndex <= static_cast<int>(entries.size()) &&
                    entries[static_cast<std::size_t>(console.MenuIndex - 1)].selectable,
                "Menu: MenuIndex does not name a selectable entry");
    }
    // The menu draws on its own rows and its description line, nowhere else.
    const console::CellGrid& after = console.Cells();
    for (int row = 1; row <= after.Rows(); ++row) {
        for (int column = 1; column <= after.Columns(); ++column) {
            const bool menu = Covers(x, y, x + static_cast<int>(width) - 1,
                                     y + static_cast<int>(entries.size()) - 1, column, row);
            const bool description_line =
                description &&
                Covers(description_column, description_row,
                       description_column + description_width - 1, description_row, column, row);
            Require(menu || description_line || after.At(column, row) == before.At(column, row),
                    "Menu: drew outside its entries and description line");
        }
    }
}

void RunListBox(FuzzedDataProvider& input, console::TextConsole& console, int x, int y) {
    console.ListItems = input.ConsumeRandomLengthString(kLongestItems);
    console.ListTitle = input.ConsumeRandomLengthString(40);
    CheckItemParsing(console.ListItems, console.ListTitle, input.ConsumeIntegral<std::uint8_t>());
    console.ListRows = input.ConsumeIntegral<std::int16_t>();
    console.ListWidth = input.ConsumeIntegral<std::int16_t>();
    console.ListIndex = input.ConsumeIntegral<std::int16_t>();
    const int count = static_cast<int>(console::SplitItems(console.ListItems).size());
    const console::CellGrid before = console.Cells();

    const bool accepted = console.ListBox(x, y, 1);

    Require(!accepted || count > 0, "ListBox: accepted an empty list");
    Require(console.ListIndex >= 1 && console.ListIndex <= std::max(1, count),
            "ListBox: ListIndex outside the list");
    Require(console.Cells() == before, "ListBox: the screen under the list was not put back");
}

void RunMessageBox(FuzzedDataProvider& input, console::TextConsole& console) {
    console.MessageText = input.ConsumeRandomLengthString(kLongestItems);
    console.MessageButtons = input.ConsumeRandomLengthString(60);
    CheckItemParsing(console.MessageButtons, console.MessageText,
                     input.ConsumeIntegral<std::uint8_t>());
    const int choice = input.ConsumeIntegral<std::int16_t>();
    console.MessageChoice = choice;
    const int buttons =
        std::max<int>(1, static_cast<int>(console::SplitItems(console.MessageButtons).size()));
    const console::CellGrid before = console.Cells();

    const bool accepted = console.MessageBox(0);

    if (accepted) {
        Require(console.MessageChoice >= 1 && console.MessageChoice <= buttons,
                "MessageBox: the choice is not a button");
    } else {
        Require(console.MessageChoice == choice,
                "MessageBox: not accepted, yet the choice changed");
    }
    Require(console.Cells() == before, "MessageBox: the screen under the dialog was not put back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int widget = input.ConsumeIntegralInRange(0, 2);
    const int columns = input.ConsumeIntegralInRange(1, kLargestConsoleColumns);
    const int rows = input.ConsumeIntegralInRange(1, kLargestConsoleRows);

    auto owned = std::make_unique<console::ScriptedTerminal>(columns, rows);
    console::ScriptedTerminal& terminal = *owned;
    console::TextConsole console(std::move(owned));
    console.Attach(-1);
    FillWithPattern(console.MutableCells());
    console.Shadow = input.ConsumeBool();
    const int x = Position(input, columns);
    const int y = Position(input, rows);

    const int key_count = input.ConsumeIntegralInRange(0, kMostKeys);
    for (int i = 0; i < key_count; ++i) {
        const auto byte = input.ConsumeIntegral<std::uint8_t>();
        terminal.Key(byte < std::size(kWidgetKeys) ? kWidgetKeys[byte] : KeyCode{byte});
    }
    terminal.Key(keys::kEsc);  // every widget ends on Esc

    FuzzedKeyEvents events(input, terminal, console);
    if (input.ConsumeBool()) {
        console.SetKeyEvents(&events);
    }
    try {
        switch (widget) {
            case 0:
                RunMenu(input, console, x, y);
                break;
            case 1:
                RunListBox(input, console, x, y);
                break;
            default:
                RunMessageBox(input, console);
                break;
        }
    } catch (const console::ScriptExhausted&) {
        Fail("the widget did not end on Esc");
    }
    return 0;
}
