#pragma once

// Key codes as the console delivers them, in the PC keyboard convention: ordinary keys and
// Ctrl+letter combinations are their character codes, extended keys are 256 plus the
// keyboard scan code.

namespace tavix::console {

using KeyCode = int;

namespace keys {
inline constexpr KeyCode kCtrlB = 2;
inline constexpr KeyCode kCtrlE = 5;
inline constexpr KeyCode kBackspace = 8;
inline constexpr KeyCode kTab = 9;
inline constexpr KeyCode kCtrlEnter = 10;
inline constexpr KeyCode kCtrlL = 12;
inline constexpr KeyCode kEnter = 13;
inline constexpr KeyCode kCtrlN = 14;
inline constexpr KeyCode kCtrlS = 19;
inline constexpr KeyCode kCtrlW = 23;
inline constexpr KeyCode kCtrlY = 25;
inline constexpr KeyCode kCtrlZ = 26;
inline constexpr KeyCode kEsc = 27;
inline constexpr KeyCode kSpace = 32;

inline constexpr KeyCode kExtended = 256;
inline constexpr KeyCode kShiftTab = kExtended + 15;
inline constexpr KeyCode kF1 = kExtended + 59;
inline constexpr KeyCode kF2 = kExtended + 60;
inline constexpr KeyCode kF3 = kExtended + 61;
inline constexpr KeyCode kF4 = kExtended + 62;
inline constexpr KeyCode kF5 = kExtended + 63;
inline constexpr KeyCode kF6 = kExtended + 64;
inline constexpr KeyCode kF7 = kExtended + 65;
inline constexpr KeyCode kF8 = kExtended + 66;
inline constexpr KeyCode kF9 = kExtended + 67;
inline constexpr KeyCode kF10 = kExtended + 68;
inline constexpr KeyCode kHome = kExtended + 71;
inline constexpr KeyCode kUp = kExtended + 72;
inline constexpr KeyCode kPageUp = kExtended + 73;
inline constexpr KeyCode kLeft = kExtended + 75;
inline constexpr KeyCode kRight = kExtended + 77;
inline constexpr KeyCode kEnd = kExtended + 79;
inline constexpr KeyCode kDown = kExtended + 80;
inline constexpr KeyCode kPageDown = kExtended + 81;
inline constexpr KeyCode kInsert = kExtended + 82;
inline constexpr KeyCode kDelete = kExtended + 83;
inline constexpr KeyCode kCtrlLeft = kExtended + 115;
inline constexpr KeyCode kCtrlRight = kExtended + 116;
inline constexpr KeyCode kCtrlEnd = kExtended + 117;
inline constexpr KeyCode kCtrlPageDown = kExtended + 118;
inline constexpr KeyCode kCtrlHome = kExtended + 119;
inline constexpr KeyCode kCtrlPageUp = kExtended + 132;
inline constexpr KeyCode kF11 = kExtended + 133;
inline constexpr KeyCode kF12 = kExtended + 134;
inline constexpr KeyCode kCtrlUp = kExtended + 141;
inline constexpr KeyCode kCtrlDown = kExtended + 145;
}  // namespace keys

// A key that stands for a character the program may put into a text: the printable ASCII
// characters and the single-byte letters and signs from 128 up.
inline constexpr bool IsTextKey(KeyCode key) {
    return (key >= 32 && key <= 126) || (key >= 128 && key <= 255);
}

}  // namespace tavix::console
