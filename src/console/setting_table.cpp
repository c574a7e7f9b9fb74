#include "setting_table.hpp"

#include <array>

namespace tavix::console {

namespace {

using S = ConsoleSettings;
using K = SettingKind;
using D = DispatchId;

SettingInfo Number(D id, int S::*member) {
    return {id, K::kNumber, member, nullptr, nullptr, 0};
}
SettingInfo Boolean(D id, bool S::*member) {
    return {id, K::kBoolean, nullptr, member, nullptr, false};
}
SettingInfo Text(D id, std::string S::*member) {
    return {id, K::kText, nullptr, nullptr, member, std::string()};
}
SettingInfo Slot(D id, int value) {
    return {id, K::kNumber, nullptr, nullptr, nullptr, value};
}
SettingInfo Flag(D id, bool value) {
    return {id, K::kBoolean, nullptr, nullptr, nullptr, value};
}
SettingInfo Words(D id) {
    return {id, K::kText, nullptr, nullptr, nullptr, std::string()};
}

// The colour slots start as the look the console has before a program chooses its own:
// light text on blue with a light-gray menu bar, white-on-black editor fields and red
// dialogs.
const std::array kSettings = {
    Number(D::kCursorMode, &S::CursorMode),
    Number(D::kCursorX, &S::CursorX),
    Number(D::kCursorY, &S::CursorY),
    Number(D::kTextColor, &S::TextColor),
    Number(D::kBackColor, &S::BackColor),
    Boolean(D::kShadow, &S::Shadow),
    Text(D::kFieldValue, &S::FieldValue),
    Text(D::kFieldPicture, &S::FieldPicture),
    Number(D::kFieldLength, &S::FieldLength),
    Number(D::kFieldWidth, &S::FieldWidth),
    Number(D::kFieldSettingA, &S::FieldSettingA),
    Number(D::kFieldSettingB, &S::FieldSettingB),
    Text(D::kMenuItems, &S::MenuItems),
    Text(D::kMenuMask, &S::MenuMask),
    Number(D::kMenuIndex, &S::MenuIndex),
    Text(D::kMessageText, &S::MessageText),
    Text(D::kMessageButtons, &S::MessageButtons),
    Number(D::kMessageChoice, &S::MessageChoice),
    Text(D::kListItems, &S::ListItems),
    Text(D::kListTitle, &S::ListTitle),
    Number(D::kListRows, &S::ListRows),
    Number(D::kListWidth, &S::ListWidth),
    Number(D::kListIndex, &S::ListIndex),
    Text(D::kTextBoxText, &S::TextBoxText),
    Number(D::kTextBoxWidth, &S::TextBoxWidth),
    Number(D::kTextBoxHeight, &S::TextBoxHeight),

    Slot(D::kEditorText, 15),
    Slot(D::kEditorBack, 0),
    Slot(D::kListBarBack, 7),
    Slot(D::kMenuHotLetter, 12),
    Slot(D::kMenuDisabledText, 7),
    Slot(D::kMenuBarText, 0),
    Slot(D::kMenuBarBack, 7),
    Slot(D::kMenuText, 15),
    Slot(D::kMenuBack, 1),
    Slot(D::kShadowBack, 0),
    Slot(D::kShadowText, 7),
    Slot(D::kDialogBack, 4),
    Slot(D::kDialogText, 15),
    Slot(D::kButtonText, 15),
    Slot(D::kButtonBack, 1),
    Slot(D::kDialogFrame, 14),
    Slot(D::kSelectedButtonText, 0),
    Slot(D::kSelectedButtonBack, 14),
    Slot(D::kListBarText, 1),
    Slot(D::kListTitleColour, 14),
    Slot(D::kListFrame, 14),
    Slot(D::kListText, 7),
    Slot(D::kListBack, 1),

    Slot(D::kPopupStyle, 0),
    Slot(D::kSetting16, 0),
    Slot(D::kDescriptionColumn, 0),
    Slot(D::kDescriptionWidth, 0),
    Slot(D::kFrameStyle, 0),
    Flag(D::kEditorSetting37, false),
    Slot(D::kTextBoxSetting39, 0),
    Words(D::kListSetting40),
    Slot(D::kDescriptionRow, 0),
    Flag(D::kShowDescription, false),
    Slot(D::kListSetting66, 0),
    Flag(D::kListSetting67, false),
    Slot(D::kListSetting68, 0),
};

}  // namespace

const SettingInfo* FindSetting(DispatchId id) {
    for (const SettingInfo& info : kSettings) {
        if (info.id == id) {
            return &info;
        }
    }
    return nullptr;
}

}  // namespace tavix::console
