#pragma once

// Every setting of the console that a program can put, by its dispatch id. The named
// properties are also members of ConsoleSettings; the rest are reached only through
// TextConsole::Put. Each comment gives the setting's role in this console; a setting
// marked "stored" keeps its value (SaveState includes it) and changes nothing. The screens put
// the stored ones all the same, each before the widget it belongs to: which settings a caller
// puts before a widget, and in what order, is part of its contract with the console. The screens
// put them through TextConsole::Put, named or not, so that its PutObserver sees every one.

namespace tavix::console {

enum class DispatchId : int {
    // Cursor and text colours.
    kCursorMode = 3,  // 0 hides the cursor outside the line editor; any other value shows it
    kCursorX = 4,     // where Print writes
    kCursorY = 5,
    kTextColor = 8,  // text of PrintAt, Print, Clear, frames, text boxes and plain popups
    kBackColor = 11,

    // Colour slots: what every widget draws with.
    kEditorText = 9,  // the line editor's field
    kEditorBack = 10,
    kListBarBack = 12,       // the highlighted line of a pick list
    kMenuHotLetter = 13,     // a menu item's hot letter, highlighted or not
    kMenuDisabledText = 14,  // menu items that the mask makes unselectable
    kMenuBarText = 17,       // the highlighted menu item
    kMenuBarBack = 18,
    kMenuText = 22,  // menu items and the menu's description line
    kMenuBack = 23,
    kShadowBack = 42,  // shadows keep the glyph below them, in these colours
    kShadowText = 43,
    kDialogBack = 48,  // message dialogs and question popups
    kDialogText = 49,
    kButtonText = 50,
    kButtonBack = 51,
    kDialogFrame = 56,
    kSelectedButtonText = 57,
    kSelectedButtonBack = 58,
    kListBarText = 60,
    kListTitleColour = 72,  // a pick list's title
    kListFrame = 73,        // a pick list's frame
    kListText = 74,
    kListBack = 75,

    // Settings without a name of their own.
    kPopupStyle = 15,         // 0: popups in the text colours; otherwise in dialog colours
    kSetting16 = 16,          // stored
    kDescriptionColumn = 19,  // where the menu's description line stands...
    kDescriptionWidth = 20,   // ...how wide it is...
    kFrameStyle = 26,         // 2: double-line frames; otherwise single-line
    // Stored (boolean), without a name. The entry screen puts it false before its code and
    // quantity fields, beside FieldSettingA and FieldSettingB: a console that gives it a role
    // would otherwise run those fields as whatever screen ran before left it. Keep the put
    // although this console ignores the value.
    kEditorSetting37 = 37,
    kTextBoxSetting39 = 39,  // stored
    kListSetting40 = 40,     // stored (text)
    kDescriptionRow = 41,    // ...and on which row
    kShadow = 44,            // frames and popups cast a one-cell shadow right and below
    kShowDescription = 46,   // a menu shows its highlighted item's description (boolean)
    kListSetting66 = 66,     // stored
    kListSetting67 = 67,     // stored (boolean)
    kListSetting68 = 68,     // stored

    // The widgets' properties.
    kFieldValue = 31,
    kFieldPicture = 32,
    kFieldLength = 33,
    kFieldWidth = 34,
    kFieldSettingA = 35,  // stored; every screen puts it 0 before its line editor
    kFieldSettingB = 36,  // stored; likewise
    kTextBoxText = 38,
    kMessageText = 53,
    kMessageButtons = 54,
    kMessageChoice = 55,
    kListItems = 61,
    kListTitle = 62,
    kListRows = 63,
    kListWidth = 64,
    kListIndex = 65,
    kMenuItems = 69,
    kMenuIndex = 70,
    kMenuMask = 71,
    kTextBoxHeight = 76,
    kTextBoxWidth = 77,
};

}  // namespace tavix::console
