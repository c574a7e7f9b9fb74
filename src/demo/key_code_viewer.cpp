#include "demo/key_code_viewer.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/colours.hpp"
#include "console/key_codes.hpp"
#include "demo/key_names.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/text_layout.hpp"
#include "screen_helpers/work_area.hpp"

namespace tavix::demo {
namespace {

namespace colours = console::colours;

// The work area inside the outer frame.

constexpr const char* kTitle = "= Premere un tasto =";
constexpr int kTitleColumn = 3;
constexpr int kTitleRow = 3;

constexpr const char* kLeaveHint = "(ESC esce)";
constexpr int kLeaveHintRow = 15;

constexpr int kLabelColumn = 3;
constexpr const char* kCodeLabel = "Tasto: ";
constexpr int kCodeRow = 5;
constexpr const char* kCharacterLabel = "ASCII: ";
constexpr int kCharacterRow = 7;
constexpr const char* kNameLabel = "Costante: ";
constexpr int kNameLabelRow = 9;

// The values stand right of their labels; the name has a row of its own below its label.
constexpr int kValueColumn = 10;
constexpr int kNameColumn = 3;
constexpr int kNameRow = 10;
constexpr int kNameWidth = 20;

constexpr const char* kNoCharacter = "[ND]";
// A character is followed by blanks as wide as the rest of "[ND]", so none of it stays.
constexpr const char* kCharacterTail = "   ";
constexpr int kLastControlCode = 32;
constexpr int kFirstNonCharacterCode = 255;

constexpr int kFlushTypeAhead = 1;

// The numeric format "000": at least three digits, leading zeros.
std::string CodeText(int code) {
    std::string digits = std::to_string(std::abs(code));
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return code < 0 ? "-" + digits : digits;
}

// Blanks, control codes and extended keys have no character worth showing.
std::string CharacterText(int code) {
    if (code <= kLastControlCode || code >= kFirstNonCharacterCode) {
        return kNoCharacter;
    }
    return std::string(1, static_cast<char>(code)) + kCharacterTail;
}

void DrawSetUp(console::TextConsole& console) {
    console.ClearArea(screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, screen_helpers::kWorkBottom);
    console.TextColor = colours::kWhite;
    console.PrintAt(kTitleColumn, kTitleRow, kTitle);
    console.TextColor = colours::kLightRed;
    console.PrintAt(screen_helpers::kWorkLeft, kLeaveHintRow,
                    screen_helpers::CentreText(kLeaveHint, screen_helpers::kWorkWidth));
    console.TextColor = colours::kYellow;
    console.PrintAt(kLabelColumn, kCodeRow, kCodeLabel);
    console.PrintAt(kLabelColumn, kCharacterRow, kCharacterLabel);
    console.PrintAt(kLabelColumn, kNameLabelRow, kNameLabel);
}

void ShowKey(console::TextConsole& console, int key) {
    console.TextColor = colours::kLightMagenta;
    console.PrintAt(kValueColumn, kCodeRow, CodeText(key));
    console.TextColor = colours::kLightGreen;
    console.PrintAt(kValueColumn, kCharacterRow, CharacterText(key));
    console.TextColor = colours::kLightCyan;
    console.PrintAt(kNameColumn, kNameRow, screen_helpers::PadText(KeyName(key), kNameWidth, " "));
}

}  // namespace

void KeyCodeViewer() {
    console::TextConsole& console = screen_helpers::Console();
    DrawSetUp(console);
    // The test stands before each pass, so Esc itself is shown before the screen ends.
    std::int16_t key = 0;
    while (key != console::keys::kEsc) {
        key = static_cast<std::int16_t>(console.GetKey());
        ShowKey(console, key);
    }
    console.FlushKeys(kFlushTypeAhead);
    console.TextColor = colours::kYellow;
}

}  // namespace tavix::demo
