#include "program/main_menu.hpp"

#include <string>

#include "acquisition/acquisition.hpp"
#include "demo/colour_demo.hpp"
#include "demo/key_code_viewer.hpp"
#include "screen_helpers/confirm_yes_no.hpp"
#include "screen_helpers/guarded.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/work_area.hpp"

namespace tavix::program {

using screen_helpers::ConfirmYesNo;
using screen_helpers::Console;
using screen_helpers::Guarded;
using screen_helpers::kWorkBottom;
using screen_helpers::kWorkLeft;
using screen_helpers::kWorkRight;
using screen_helpers::kWorkTop;
using screen_helpers::kWorkWidth;

namespace {

using console::DispatchId;

// Seven items: the four entries with a spacer row between each two.
const std::string kMainMenuItems =
    "~Inizia|Acquisizione cod./qt#| #"
    "~Codici dei tasti|Mostra codici tasti#| #"
    "C~olori|Mostra colori#| #~Esci|Uscita dal programma";

constexpr int kMenuColumn = 3;
constexpr int kMenuRow = 3;
constexpr std::int32_t kMainMenuId = 2;

// The description of the highlighted item stands on the bottom row of the work area.
constexpr int kDescriptionColumn = kWorkLeft;
constexpr int kDescriptionRow = kWorkBottom;
constexpr int kDescriptionWidth = kWorkWidth;

enum MenuItem { kAcquisition = 1, kKeyCodes = 3, kColours = 5, kExit = 7 };

const std::string kExitQuestion = "Confermi uscita";

// A confirmation that fails leaves the program, as a confirmed one does.
bool ExitConfirmed() {
    bool confirmed = true;
    Guarded("main menu: asking to confirm the exit",
            [&] { confirmed = ConfirmYesNo(kExitQuestion); });
    return confirmed;
}

void PrepareMenu(int position) {
    Guarded("main menu: clearing the work area",
            [] { Console().ClearArea(kWorkLeft, kWorkTop, kWorkRight, kWorkBottom); });
    Guarded("main menu: setting its items", [] { Console().MenuItems = kMainMenuItems; });
    Guarded("main menu: setting the shadow", [] { Console().Shadow = false; });
    Guarded("main menu: placing the description", [] {
        Console().Put(DispatchId::kDescriptionColumn, kDescriptionColumn);
        Console().Put(DispatchId::kDescriptionRow, kDescriptionRow);
        Console().Put(DispatchId::kDescriptionWidth, kDescriptionWidth);
    });
    Guarded("main menu: showing the description",
            [] { Console().Put(DispatchId::kShowDescription, true); });
    Guarded("main menu: clearing the item mask", [] { Console().MenuMask.clear(); });
    Guarded("main menu: highlighting its item", [&] { Console().MenuIndex = position; });
}

// Runs the chosen item; true when the user confirmed the exit.
bool RunChoice() {
    int choice = 0;
    if (!Guarded("main menu: reading the chosen item", [&] { choice = Console().MenuIndex; })) {
        return false;
    }
    switch (choice) {
        case kAcquisition:
            Guarded("acquisition", acquisition::RunAcquisition);
            return false;
        case kKeyCodes:
            Guarded("key-code viewer", demo::KeyCodeViewer);
            return false;
        case kColours:
            Guarded("colour demonstration", demo::ColourDemo);
            return false;
        case kExit:
            return ExitConfirmed();
        default:
            return false;  // a spacer row: nothing to run
    }
}

}  // namespace

void RunMainMenu() {
    int position = 1;
    for (;;) {
        PrepareMenu(position);
        bool accepted = false;
        Guarded("main menu",
                [&] { accepted = Console().Menu(kMenuColumn, kMenuRow, kMainMenuId); });
        if (!accepted) {
            Guarded("main menu: setting the shadow", [] { Console().Shadow = true; });
            if (ExitConfirmed()) {
                return;
            }
        } else {
            Guarded("main menu: hiding the description",
                    [] { Console().Put(DispatchId::kShowDescription, false); });
            Guarded("main menu: setting the shadow", [] { Console().Shadow = true; });
            if (RunChoice()) {
                return;
            }
        }
        Guarded("main menu: reading the highlighted item", [&] { position = Console().MenuIndex; });
    }
}

}  // namespace tavix::program
