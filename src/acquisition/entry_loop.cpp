#include "acquisition/entry_loop.hpp"

#include <cstdint>
#include <exception>
#include <string>

#include "acquisition/field_key.hpp"
#include "console/key_handler_scope.hpp"
#include "console/saved_console_scope.hpp"
#include "diagnostics/diagnostic_log.hpp"
#include "screen_helpers/blank_text.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/text_layout.hpp"
#include "screen_helpers/work_area.hpp"
#include "store/pending_edit.hpp"
#include "store/readings_table.hpp"
#include "store/timestamp.hpp"
#include "store/value_text.hpp"

namespace tavix::acquisition {

namespace {

using console::DispatchId;

// The entry screen, inside the work area (2, 2)-(22, 18).

const std::string kTerminalHeading = "Terminale: ";
constexpr int kHeadingRow = 3;

constexpr int kTextColumn = 3;
constexpr int kCodeLabelRow = 6;
constexpr int kCodeRow = 7;
constexpr int kQuantityLabelRow = 9;
constexpr int kQuantityRow = 10;
constexpr int kPromptRow = 12;

const std::string kCodeLabel = "Codice:";
const std::string kQuantityLabel = "Quantita':";
// Both prompts are as long as the longer one, so each covers the other.
const std::string kCodePrompt = "Digita codice      ";
const std::string kQuantityPrompt = "Digita quantita'";
const std::string kKeyHelp[] = {"F1 pulisci", "F3 archivio", "F5 lista"};
constexpr int kKeyHelpRow = 15;

constexpr int kCodeLength = 18;
constexpr int kQuantityLength = 6;
const std::string kCapitals = "!";
const std::string kDigitsOnly = "N";
const std::string kFirstQuantity = "1";

const std::string kNotStoredMessage = "Lettura non salvata!";
const std::string kOkButton = "Ok";

enum class Expecting { kCode = 1, kQuantity = 2 };

void DrawEntryScreen(const std::string& terminal) {
    console::TextConsole& console = screen_helpers::Console();
    console.ClearArea(screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, screen_helpers::kWorkBottom);
    console.PrintAt(
        screen_helpers::kWorkLeft, kHeadingRow,
        screen_helpers::CentreText(kTerminalHeading + terminal, screen_helpers::kWorkWidth));
    console.PrintAt(kTextColumn, kCodeLabelRow, kCodeLabel);
    console.PrintAt(kTextColumn, kQuantityLabelRow, kQuantityLabel);
    console.PrintAt(kTextColumn, kPromptRow, kCodePrompt);
    int row = kKeyHelpRow;
    for (const std::string& help : kKeyHelp) {
        console.PrintAt(kTextColumn, row++, help);
    }
}

// Runs the line editor on one of the entry fields; true when the operator confirmed it.
bool EditEntryField(int row, std::int32_t field_id, int length, const std::string& picture,
                    const std::string& value) {
    console::TextConsole& console = screen_helpers::Console();
    console.Put(DispatchId::kFieldSettingA, 0);
    console.Put(DispatchId::kFieldSettingB, 0);
    console.Put(DispatchId::kEditorSetting37, false);
    console.FieldLength = length;
    console.FieldWidth = length;
    console.FieldPicture = picture;
    console.FieldValue = value;
    console::WidgetKeys keys(console::WidgetKeys::Widget::kField, FieldKey);
    const console::KeyHandlerScope scope(console, keys);
    return console.EditField(kTextColumn, row, field_id);
}

// Keys typed ahead, a scanner's next readings among them, would otherwise answer the message
// before the operator saw it and then land on whatever screen the failure leads back to.
constexpr int kFlushTypeAhead = 1;

void TellReadingNotStored() {
    console::TextConsole& console = screen_helpers::Console();
    const console::SavedConsoleScope saved(console);
    console.FlushKeys(kFlushTypeAhead);
    console.MessageText = kNotStoredMessage;
    console.MessageButtons = kOkButton;
    console.MessageChoice = 1;
    console.MessageBox(0);
}

// What the log says of a reading not stored: enough to type it again.
std::string StoringStep(const std::string& code, const std::string& quantity,
                        const std::string& terminal) {
    return "storing a reading (terminal " + terminal + ", code " + code + ", quantity " + quantity +
           "): not stored";
}

// The operator saw the reading confirmed: a failure to store it must not pass in silence
// on its way back to the main menu.
void StoreReading(const std::string& code, const std::string& quantity,
                  const std::string& terminal) {
    try {
        AppendReading(code, quantity, terminal);
    } catch (const std::exception&) {
        diagnostics::LogCurrentFailure(StoringStep(code, quantity, terminal));
        TellReadingNotStored();
        throw;
    }
}

}  // namespace

void EntryLoop(const std::string& terminal) {
    DrawEntryScreen(terminal);
    console::TextConsole& console = screen_helpers::Console();
    Expecting expecting = Expecting::kCode;
    std::string code;
    std::string quantity = kFirstQuantity;
    for (;;) {
        console.PrintAt(kTextColumn, kCodeRow, screen_helpers::PadText(code, kCodeLength, " "));
        console.PrintAt(kTextColumn, kQuantityRow,
                        screen_helpers::PadText(quantity, kQuantityLength, " "));
        if (expecting == Expecting::kCode) {
            console.PrintAt(kTextColumn, kPromptRow, kCodePrompt);
            if (!EditEntryField(kCodeRow, kCodeField, kCodeLength, kCapitals, "")) {
                return;
            }
            code = console.FieldValue;
            if (!screen_helpers::IsBlank(code)) {
                expecting = Expecting::kQuantity;
            }
        }
        if (expecting == Expecting::kQuantity) {
            console.PrintAt(kTextColumn, kPromptRow, kQuantityPrompt);
            if (!EditEntryField(kQuantityRow, kQuantityField, kQuantityLength, kDigitsOnly,
                                kFirstQuantity)) {
                expecting = Expecting::kCode;  // nothing stored
                continue;
            }
            quantity = console.FieldValue;
            if (!screen_helpers::IsBlank(quantity)) {
                StoreReading(code, quantity, terminal);
                quantity = kFirstQuantity;
                expecting = Expecting::kCode;
            }
        }
    }
}

void AppendReading(const std::string& code, const std::string& quantity,
                   const std::string& terminal) {
    namespace table = store::readings_table;
    store::Recordset& readings = screen_helpers::Readings();
    store::PendingEdit reading = store::PendingEdit::OfNewRecord(readings);
    readings.SetField(table::kCode, code);
    readings.SetField(table::kQuantity, store::NumberFromText(quantity));
    // Taken here, not when the screen opened: every reading carries its own moment.
    readings.SetField(table::kDateTime, store::Timestamp::Now());
    readings.SetField(table::kTerminal, terminal);
    reading.Commit();
}

}  // namespace tavix::acquisition
