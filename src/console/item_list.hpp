#pragma once

#include <string>
#include <vector>

namespace tavix::console {

// Menus, dialog buttons and pick lists take their entries as one text with "#" between
// entries. An empty text has no entries; empty entries between separators are kept, so that
// entry numbers always count every "#".
std::vector<std::string> SplitItems(const std::string& items);

// A value as an entry of an item string shows it. Item strings read "#" as the end of an
// entry, and menus "~" as a hot letter and "|" as the start of a description; a value
// another tool stored may hold them, and they would split or shorten its entry and shift
// every entry below it. They are shown as look-alikes of the code page instead, the same in
// menus and lists: "#" as the double dagger, "~" as the small tilde, "|" as the broken bar.
std::string AsItemText(std::string text);

// One menu entry: "caption|description", with "~" before the caption's hot letter.
struct MenuEntry {
    std::string caption;      // without the "~"
    int hot_position = -1;    // index of the hot letter in caption, -1 when it has none
    std::string description;  // what follows the first "|"
    bool selectable = true;   // false for spacers (empty caption) and masked entries
};

// Parses an item string and applies a mask: an entry whose place in the mask holds '1' is
// shown but cannot be chosen. A mask shorter than the entries leaves the rest selectable;
// extra mask characters are ignored. Every "~" is dropped from a caption; the first one
// marks the hot letter.
std::vector<MenuEntry> ParseMenu(const std::string& items, const std::string& mask);

// The entry whose hot letter is `key` in either case, among selectable entries; -1 if none.
int FindHotEntry(const std::vector<MenuEntry>& entries, int key);

}  // namespace tavix::console
