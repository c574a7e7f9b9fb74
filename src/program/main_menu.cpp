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
    Guarded([&] { confirmed = ConfirmYesNo(kExitQuestion); });
    return confirmed;
}

void PrepareMenu(int position) {
    Guarded([] { Console().ClearArea(kWorkLeft, kWorkTop, kWorkRight, kWorkBottom); });
    Guarded([] { Console().MenuItems = kMainMenuItems; });
    Guarded([] { Console().Shadow = false; });
    Guarded([] {
        Console().Put(DispatchId::kDescriptionColumn, kDescriptionColumn);
        Console().Put(DispatchId::kDescriptionRow, kDescriptionRow);
        Console().Put(DispatchId::kDescriptionWidth, kDescriptionWidth);
    });
    Guarded([] { Console().Put(DispatchId::kShowDescription, true); });
    Guarded([] { Console().MenuMask.clear(); });
    Guarded([&] { Console().MenuIndex = position; });
}

// Runs the chosen item; true when the user confirmed the exit.
bool RunChoice() {
    int choice = 0;
    if (!Guarded([&] { choice = Console().MenuIndex; })) {
        return false;
    }
    switch (choice) {
        case kAcquisition:
            Guarded(acquisition::RunAcquisition);
            return false;
        case kKeyCodes:
            Guarded(demo::KeyCodeViewer);
            return false;
        case kColours:
            Guarded(demo::ColourDemo);
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
        Guarded([&] { accepted = Console().Menu(kMenuColumn, kMenuRow, kMainMenuId); });
        if (!accepted) {
            Guarded([] { Console().Shadow = true; });
            if (ExitConfirmed()) {
                return;
            }
        } else {
            Guarded([] { Console().Put(DispatchId::kShowDescription, false); });
            Guarded([] { Console().Shadow = true; });
            if (RunChoice()) {
                return;
            }
        }
        Guarded([&] { position = Console().MenuIndex; });
    }
}

}  // namespace tavix::program
