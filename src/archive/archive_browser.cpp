#include "archive/archive_browser.hpp"

#include <array>
#include <string>

#include "archive/edit_reading_field.hpp"
#include "archive/field_menu.hpp"
#include "archive/menu_key.hpp"
#include "archive/reading_texts.hpp"
#include "archive/search_by_code.hpp"
#include "console/key_handler_scope.hpp"
#include "console/saved_console_scope.hpp"
#include "screen_helpers/colour_scheme.hpp"
#include "screen_helpers/first_reading.hpp"
#include "screen_helpers/guarded.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/work_area.hpp"

// Every step below runs guarded: a step that fails (a refused store operation, a record
// another program removed, a date that does not exist) is skipped without a message to the
// operator, only to the diagnostic log, and the reading keeps its stored values. The browser
// never ends the acquisition that runs it.

namespace tavix::archive {

namespace {

namespace keys = console::keys;
using screen_helpers::Guarded;

// Each pass redraws only the rows of the field menu; the key texts below stay.
constexpr int kReadingBottom = 12;

struct KeyText {
    int row;
    const char* text;
};

// Each key name is padded to eight characters, so every word starts in column 11.
constexpr int kKeyTextColumn = 3;
constexpr std::array<KeyText, 5> kKeyTexts = {{
    {14, "< >     scorre"},
    {15, "Enter   modifica"},
    {16, "Esc     esce"},
    {17, "BkSp    cancella"},
    {18, "F3      cerca"},
}};

const std::string kEmptyTableText = "Nessun record in archivio!";
const std::string kEmptyTableButtons = "Ok";
const std::string kDeleteQuestion = "Cancello il record?";
const std::string kDeleteButtons = "Ok#Annulla";
constexpr int kOkButton = 1;

enum class Next { kBrowse, kLeave };
enum class MenuEnd { kAccepted, kNotAccepted, kFailed };

// A recordset that cannot say where it stands is treated as having nothing to show.
bool AtEof() {
    bool at_eof = true;
    Guarded("archive: testing for the end of the readings",
            [&] { at_eof = screen_helpers::Readings().Eof(); });
    return at_eof;
}

void ShowEmptyTableMessage() {
    console::TextConsole& console = screen_helpers::Console();
    console.MessageText = kEmptyTableText;
    console.MessageButtons = kEmptyTableButtons;
    console.MessageChoice = kOkButton;
    Guarded("archive: saying that it is empty", [&] { console.MessageBox(0); });
}

void PrepareScreen() {
    console::TextConsole& console = screen_helpers::Console();
    console.ClearArea(screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, screen_helpers::kWorkBottom);
    console.Shadow = false;
    for (const KeyText& key_text : kKeyTexts) {
        console.PrintAt(kKeyTextColumn, key_text.row, key_text.text);
    }
}

// Shows the current reading in the field menu with the highlight on `item` and runs the menu.
MenuEnd ShowReading(int item) {
    console::TextConsole& console = screen_helpers::Console();
    console.ClearArea(screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, kReadingBottom);
    // A reading that cannot be read shows empty values rather than the previous reading's.
    ReadingTexts texts;
    Guarded("archive: reading the values of the reading shown",
            [&] { texts = TextsOfCurrentReading(screen_helpers::Readings(), kValueWidth); });
    console.MenuItems = FieldMenuItems(texts);
    console.MenuMask = kFieldMenuMask;
    console.MenuIndex = item;
    bool accepted = false;
    console::WidgetKeys keys(console::WidgetKeys::Widget::kMenu, MenuKey);
    const console::KeyHandlerScope scope(console, keys);
    if (!Guarded("archive: field menu",
                 [&] { accepted = console.Menu(kFieldMenuColumn, kFieldMenuRow, kBrowserMenu); })) {
        return MenuEnd::kFailed;
    }
    return accepted ? MenuEnd::kAccepted : MenuEnd::kNotAccepted;
}

// Never wraps around: past the first reading the first one stays shown.
void StepBack() {
    Guarded("archive: moving to the previous reading",
            [] { screen_helpers::Readings().MovePrevious(); });
    Guarded("archive: staying on the first reading", [] {
        if (screen_helpers::Readings().Bof()) {
            screen_helpers::Readings().MoveFirst();
        }
    });
}

// Never wraps around: past the last reading the last one stays shown.
void StepForward() {
    Guarded("archive: moving to the next reading", [] { screen_helpers::Readings().MoveNext(); });
    Guarded("archive: staying on the last reading", [] {
        if (screen_helpers::Readings().Eof()) {
            screen_helpers::Readings().MoveLast();
        }
    });
}

bool DeletionConfirmed() {
    console::TextConsole& console = screen_helpers::Console();
    console.MessageText = kDeleteQuestion;
    console.MessageButtons = kDeleteButtons;
    console.MessageChoice = kOkButton;
    bool confirmed = false;
    Guarded("archive: asking to confirm the deletion",
            [&] { confirmed = console.MessageBox(0) && console.MessageChoice == kOkButton; });
    return confirmed;
}

// Deletes the shown reading after asking, then shows the next one in order, or the first
// when it was the last. Leaving is the answer once no reading is left.
Next DeleteShownReading() {
    console::TextConsole& console = screen_helpers::Console();
    console.Shadow = true;
    // A refused deletion leaves the reading there, and shown.
    if (DeletionConfirmed() && Guarded("archive: deleting the reading shown",
                                       [] { screen_helpers::Readings().Delete(); })) {
        Guarded("archive: moving past the deleted reading",
                [] { screen_helpers::Readings().MoveNext(); });
        if (AtEof()) {
            screen_helpers::MoveToFirstReading("archive: moving to the first reading");
            if (AtEof()) {
                return Next::kLeave;
            }
        }
    }
    console.Shadow = false;
    return Next::kBrowse;
}

Next ActOnKey(console::KeyCode key) {
    switch (key) {
        case keys::kLeft:
            StepBack();
            return Next::kBrowse;
        case keys::kRight:
            StepForward();
            return Next::kBrowse;
        case keys::kBackspace:
            return DeleteShownReading();
        case keys::kF3:
            // Afterwards the current record is shown: the one found, or the one shown before.
            Guarded("archive: searching by code", SearchByCode);
            return Next::kBrowse;
        default:
            return Next::kLeave;
    }
}

void Browse() {
    console::TextConsole& console = screen_helpers::Console();
    int remembered_item = kCodeItem;
    for (;;) {
        switch (ShowReading(remembered_item)) {
            case MenuEnd::kAccepted: {
                const int item = console.MenuIndex;
                Guarded("archive: editing the reading shown", [&] { EditReadingField(item); });
                break;
            }
            case MenuEnd::kNotAccepted:
                if (ActOnKey(console.LastKey()) == Next::kLeave) {
                    return;
                }
                break;
            case MenuEnd::kFailed:
                // Going on would redraw the same failing menu without ever reading a key.
                return;
        }
        // The highlight stays on its field while the operator steps, edits, deletes or searches.
        remembered_item = console.MenuIndex;
    }
}

}  // namespace

void ArchiveBrowser() {
    // The test of Eof below decides what to show.
    screen_helpers::MoveToFirstReading("archive: moving to the first reading");
    // Brings back the caller's work area, colours and Shadow too. The position of the
    // readings stays where browsing left it.
    const console::SavedConsoleScope saved(
        screen_helpers::Console(),
        console::Rect{screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, screen_helpers::kWorkBottom});
    screen_helpers::ApplyColourScheme();
    if (AtEof()) {
        ShowEmptyTableMessage();
    } else {
        PrepareScreen();
        Browse();
    }
}

}  // namespace tavix::archive
