#pragma once

#include <string>

#include "archive/reading_texts.hpp"

// The browser's field menu: ten items, one a row from (3, 3), each label followed by the
// value it edits. Only the labels can be chosen.

namespace tavix::archive {

inline constexpr int kFieldMenuColumn = 3;
inline constexpr int kFieldMenuRow = 3;

// The labels' item numbers; each label's value is the item after it.
inline constexpr int kCodeItem = 1;
inline constexpr int kQuantityItem = 3;
inline constexpr int kTerminalItem = 5;
inline constexpr int kDateItem = 7;
inline constexpr int kTimeItem = 9;

// '1' makes an item shown but not selectable: the five values.
inline constexpr const char* kFieldMenuMask = "0101010101";

// The screen row of the value under a label item.
constexpr int ValueRowOf(int label_item) {
    return kFieldMenuRow + label_item;
}

// The item string for the menu: "~Codice:#<code>#~Quantita':#<qt>#..." with each value in
// the form MenuSafeText gives it.
std::string FieldMenuItems(const ReadingTexts& texts);

// A value as its menu item shows it. The menu reads "#" as the end of an item, "~" as a hot
// letter and "|" as the start of a description; a stored code written by another tool may
// hold them, and they would split or shorten the item and shift every label below it. They
// are shown as look-alikes instead: "#" as the double dagger, "~" as the small tilde, "|"
// as the broken bar. Only the display changes: the editors start from the stored value.
std::string MenuSafeText(const std::string& value);

}  // namespace tavix::archive
