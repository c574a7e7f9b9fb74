#include "acquisition/acquisition.hpp"

#include <cstdint>
#include <string>

#include "acquisition/entry_loop.hpp"
#include "console/dispatch_ids.hpp"
#include "screen_helpers/confirm_yes_no.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/text_layout.hpp"
#include "screen_helpers/work_area.hpp"

namespace tavix::acquisition {

namespace {

using console::DispatchId;

// The terminal prompt, inside the work area (2, 2)-(22, 18).

const std::string kTerminalLabel = "Terminale:";
constexpr int kLabelRow = 5;

constexpr int kTerminalColumn = 10;
constexpr int kTerminalRow = 8;
constexpr int kTerminalLength = 5;
const std::string kDigitsOnly = "N";
// The prompt's editor has no special keys: FieldKey leaves identifier 0 alone.
constexpr std::int32_t kTerminalField = 0;

const std::string kFirstTerminal = "1";
const std::string kEndOfReadingsQuestion = "Fine letture";

void ShowTerminalPrompt() {
    console::TextConsole& console = screen_helpers::Console();
    console.ClearArea(screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, screen_helpers::kWorkBottom);
    console.PrintAt(screen_helpers::kWorkLeft, kLabelRow,
                    screen_helpers::CentreText(kTerminalLabel, screen_helpers::kWorkWidth));
}

// Offers terminal in the prompt's field; true when the operator confirmed it.
bool EditTerminal(const std::string& terminal) {
    console::TextConsole& console = screen_helpers::Console();
    console.FieldValue = terminal;
    console.FieldLength = kTerminalLength;
    console.FieldWidth = kTerminalLength;
    console.Put(DispatchId::kFieldSettingB, 0);
    console.FieldPicture = kDigitsOnly;
    console.Put(DispatchId::kFieldSettingA, 0);
    return console.EditField(kTerminalColumn, kTerminalRow, kTerminalField);
}

}  // namespace

void RunAcquisition() {
    std::string terminal = kFirstTerminal;
    for (;;) {
        ShowTerminalPrompt();
        const bool confirmed = EditTerminal(terminal);
        // Confirmed or left, the next prompt offers what the field held.
        terminal = screen_helpers::Console().FieldValue;
        if (confirmed) {
            EntryLoop(terminal);
        } else if (screen_helpers::ConfirmYesNo(kEndOfReadingsQuestion)) {
            return;
        }
    }
}

}  // namespace tavix::acquisition
