#pragma once

#include <map>
#include <string>
#include <variant>

#include "colours.hpp"
#include "dispatch_ids.hpp"

namespace tavix::console {

// A value put by dispatch id: the console's settings are 16-bit numbers, booleans or texts.
using SettingValue = std::variant<int, bool, std::string>;

// Every setting and property a program can put on the console: what SaveState records and
// RestoreState puts back. Cells and LastKey are not settings.
//
// Texts are single-byte: each char is one character of the console's code page.
struct ConsoleSettings {
    // Text colours and cursor.
    int TextColor = colours::kLightGray;
    int BackColor = colours::kBlack;
    bool Shadow = true;
    int CursorMode = 0;
    int CursorX = 1;
    int CursorY = 1;

    // Line editor.
    std::string FieldValue;
    std::string FieldPicture;
    int FieldLength = 0;
    int FieldWidth = 0;
    int FieldSettingA = 0;
    int FieldSettingB = 0;

    // Menu.
    std::string MenuItems;
    std::string MenuMask;
    int MenuIndex = 1;

    // Message dialog.
    std::string MessageText;
    std::string MessageButtons;
    int MessageChoice = 1;

    // Pick list.
    std::string ListItems;
    std::string ListTitle;
    int ListRows = 0;
    int ListWidth = 0;
    int ListIndex = 1;

    // Text box.
    std::string TextBoxText;
    int TextBoxWidth = 0;
    int TextBoxHeight = 0;

    // Colour slots and the settings without a member of their own, by dispatch id.
    // An id missing here has its default value (see DefaultSetting).
    std::map<DispatchId, SettingValue> by_id;

    friend bool operator==(const ConsoleSettings&, const ConsoleSettings&) = default;
};

// The value a setting without a member has before anything puts it.
SettingValue DefaultSetting(DispatchId id);

// The opaque texts of SaveState and RestoreState. Decoding a text that Encode did not make
// throws std::invalid_argument.
std::string EncodeSettings(const ConsoleSettings& settings);
ConsoleSettings DecodeSettings(const std::string& text);

}  // namespace tavix::console
