#include "archive/search_by_code.hpp"

#include <string>

#include "console/dispatch_ids.hpp"
#include "console/saved_console_scope.hpp"
#include "screen_helpers/blank_text.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/readings_table.hpp"

namespace tavix::archive {

namespace {

using console::DispatchId;

// The popup's frame; the saved area is one column and one row larger, for the shadow.
constexpr int kFrameLeft = 1;
constexpr int kFrameTop = 7;
constexpr int kFrameRight = 23;
constexpr int kFrameBottom = 10;
constexpr int kSavedRight = kFrameRight + 1;
constexpr int kSavedBottom = kFrameBottom + 1;

const std::string kPrompt = "Codice:";
constexpr int kPromptColumn = 3;
constexpr int kPromptRow = 8;

// The same settings as the entry screen's code field, so the text compares with codes
// stored through it.
constexpr int kEditorColumn = 3;
constexpr int kEditorRow = 9;
constexpr int kCodeLength = 18;
const std::string kCapitals = "!";
constexpr std::int32_t kEditorId = 0;

void DrawPopup() {
    console::TextConsole& console = screen_helpers::Console();
    console.Shadow = true;
    console.DrawFrame(kFrameLeft, kFrameTop, kFrameRight, kFrameBottom);
    console.PrintAt(kPromptColumn, kPromptRow, kPrompt);
}

bool AskForCode() {
    console::TextConsole& console = screen_helpers::Console();
    console.FieldValue.clear();
    console.FieldLength = kCodeLength;
    console.FieldWidth = kCodeLength;
    console.Put(DispatchId::kFieldSettingB, 0);
    console.FieldPicture = kCapitals;
    console.Put(DispatchId::kFieldSettingA, 0);
    return console.EditField(kEditorColumn, kEditorRow, kEditorId) &&
           !screen_helpers::IsBlank(console.FieldValue);
}

// Makes the first reading with exactly that code current; with none, the reading current
// before. The code order stays selected either way.
void SeekCode(const std::string& code) {
    store::Recordset& readings = screen_helpers::Readings();
    const std::string saved_position = readings.Bookmark();
    readings.SetIndex(store::readings_table::kCodeIndex);
    readings.Seek("=", code);
    if (readings.NoMatch()) {
        readings.SetBookmark(saved_position);
    }
}

}  // namespace

void SearchByCode() {
    console::TextConsole& console = screen_helpers::Console();
    // The popup goes, and the settings come back, however the search ends.
    const console::SavedConsoleScope saved(
        console, console::Rect{kFrameLeft, kFrameTop, kSavedRight, kSavedBottom});
    DrawPopup();
    if (AskForCode()) {
        // Trimming only decides whether to search: the key is the text as typed.
        SeekCode(console.FieldValue);
    }
}

}  // namespace tavix::archive
