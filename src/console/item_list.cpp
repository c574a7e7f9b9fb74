#include "item_list.hpp"

namespace tavix::console {

namespace {

// Bytes of the console's code page.
constexpr char kHashLookAlike = '\x87';   // double dagger
constexpr char kTildeLookAlike = '\x98';  // small tilde
constexpr char kBarLookAlike = '\xA6';    // broken bar

int FoldCase(int c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

MenuEntry ParseEntry(const std::string& entry) {
    MenuEntry parsed;
    const size_t bar = entry.find('|');
    const std::string caption = entry.substr(0, bar);
    if (bar != std::string::npos) {
        parsed.description = entry.substr(bar + 1);
    }
    for (char c : caption) {
        if (c == '~') {
            if (parsed.hot_position < 0) {
                parsed.hot_position = static_cast<int>(parsed.caption.size());
            }
            continue;
        }
        parsed.caption += c;
    }
    if (parsed.hot_position >= static_cast<int>(parsed.caption.size())) {
        parsed.hot_position = -1;  // a "~" at the very end marks nothing
    }
    parsed.selectable = !parsed.caption.empty();
    return parsed;
}

}  // namespace

std::vector<std::string> SplitItems(const std::string& items) {
    std::vector<std::string> entries;
    if (items.empty()) {
        return entries;
    }
    size_t start = 0;
    for (;;) {
        const size_t separator = items.find('#', start);
        entries.push_back(items.substr(start, separator - start));
        if (separator == std::string::npos) {
            return entries;
        }
        start = separator + 1;
    }
}

std::string AsItemText(std::string text) {
    for (char& c : text) {
        switch (c) {
            case '#':
                c = kHashLookAlike;
                break;
            case '~':
                c = kTildeLookAlike;
                break;
            case '|':
                c = kBarLookAlike;
                break;
            default:
                break;
        }
    }
    return text;
}

std::vector<MenuEntry> ParseMenu(const std::string& items, const std::string& mask) {
    std::vector<MenuEntry> entries;
    for (const std::string& item : SplitItems(items)) {
        entries.push_back(ParseEntry(item));
    }
    for (size_t i = 0; i < entries.size() && i < mask.size(); ++i) {
        if (mask[i] == '1') {
            entries[i].selectable = false;
        }
    }
    return entries;
}

int FindHotEntry(const std::vector<MenuEntry>& entries, int key) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries[i];
        if (entry.selectable && entry.hot_position >= 0) {
            const auto hot =
                static_cast<unsigned char>(entry.caption[static_cast<size_t>(entry.hot_position)]);
            if (FoldCase(hot) == FoldCase(key)) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

}  // namespace tavix::console
