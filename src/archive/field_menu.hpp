#pragma once

#include <string>

#include "archive/reading_texts.hpp"
#include "screen_helpers/work_area.hpp"

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

// The width the menu has for a value: from its column to the work area's right edge. A
// wider menu would draw over the frame and beyond the screen.
inline constexpr int kValueWidth = screen_helpers::kWorkRight - kFieldMenuColumn + 1;

// The item string for the menu: "~Codice:#<code>#~Quantita':#<qt>#..." with each value as
// an item shows it (console::AsItemText): menu characters in a stored code become
// look-alikes and leave every label in its row. Only the display changes: the editors start
// from the stored value.
std::string FieldMenuItems(const ReadingTexts& texts);

}  // namespace tavix::archive
