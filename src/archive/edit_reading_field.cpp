#include "archive/edit_reading_field.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "archive/date_time_text.hpp"
#include "archive/field_menu.hpp"
#include "archive/reading_texts.hpp"
#include "console/dispatch_ids.hpp"
#include "diagnostics/diagnostic_log.hpp"
#include "screen_helpers/blank_text.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/work_area.hpp"
#include "store/pending_edit.hpp"
#include "store/readings_table.hpp"
#include "store/value_text.hpp"

namespace tavix::archive {

namespace {

using console::DispatchId;

namespace table = store::readings_table;

enum class Conversion { kText, kNumber, kDate, kTime };

struct FieldEditor {
    int item;
    std::string_view field;
    int length;  // also the width: the whole value is always in view
    const char* picture;
    Conversion conversion;
};

constexpr std::array<FieldEditor, 5> kFieldEditors = {{
    {kCodeItem, table::kCode, 18, "!", Conversion::kText},
    {kQuantityItem, table::kQuantity, 6, "N", Conversion::kNumber},
    {kTerminalItem, table::kTerminal, 5, "N", Conversion::kNumber},
    {kDateItem, table::kDateTime, 10, "D", Conversion::kDate},
    {kTimeItem, table::kDateTime, 8, "H", Conversion::kTime},
}};

constexpr int kEditorColumn = kFieldMenuColumn;
// Browser edits have no special keys: FieldKey acts only on the entry screen's fields.
constexpr std::int32_t kEditorId = 0;

// A reading stored without a date and time gets this time of day with a new date.
const std::string kMidnight = "00:00:00";

const FieldEditor* EditorOf(int item) {
    const auto found =
        std::find_if(kFieldEditors.begin(), kFieldEditors.end(),
                     [item](const FieldEditor& editor) { return editor.item == item; });
    return found == kFieldEditors.end() ? nullptr : &*found;
}

std::string StartingText(const FieldEditor& editor, const ReadingTexts& texts) {
    switch (editor.item) {
        case kCodeItem:
            return texts.code;
        case kQuantityItem:
            return texts.quantity;
        case kTerminalItem:
            return texts.terminal;
        case kDateItem:
            return texts.date;
        default:
            return texts.time;
    }
}

// The value an entry stands for, joined with the stored value where only part of it was
// edited; nothing when the entry and the stored value make no real date and time.
std::optional<store::Value> ConvertedEntry(Conversion conversion, const std::string& entry,
                                           const store::Value& stored) {
    const auto* stamp = std::get_if<store::Timestamp>(&stored);
    std::optional<store::Timestamp> joined;
    switch (conversion) {
        case Conversion::kText:
            return store::Value(entry);
        case Conversion::kNumber:
            return store::Value(store::NumberFromText(entry));
        case Conversion::kDate:
            joined = TimestampFromTexts(entry, stamp != nullptr ? TimeText(*stamp) : kMidnight);
            break;
        case Conversion::kTime:
            if (stamp != nullptr) {
                joined = TimestampFromTexts(DateText(*stamp), entry);
            }
            break;
    }
    if (!joined) {
        return std::nullopt;
    }
    return store::Value(*joined);
}

// Offers the starting text in the editor over the value's row; the confirmed, non-blank
// entry, or nothing.
std::optional<std::string> AskForEntry(const FieldEditor& editor, const std::string& start) {
    console::TextConsole& console = screen_helpers::Console();
    console.FieldValue = start;
    console.FieldLength = editor.length;
    console.FieldWidth = editor.length;
    console.Put(DispatchId::kFieldSettingA, 0);
    console.Put(DispatchId::kFieldSettingB, 0);
    console.FieldPicture = editor.picture;
    const int row = ValueRowOf(editor.item);
    // The rest of a value longer than the editor would read as part of the entry.
    console.ClearArea(kEditorColumn + editor.length, row, screen_helpers::kWorkRight, row);
    if (!console.EditField(kEditorColumn, row, kEditorId)) {
        return std::nullopt;
    }
    std::string entry = console.FieldValue;
    if (screen_helpers::IsBlank(entry)) {
        return std::nullopt;
    }
    return entry;
}

// Writes the entry into the current reading. `shown` is the starting text as the editor
// showed it: an entry equal to it changed nothing, and the stored value is written back as
// it is, so re-confirming never alters a reading (a text terminal "007" stays a text, a value
// too long for the editor is not cut).
void Store(const FieldEditor& editor, const std::string& entry, const std::string& shown) {
    store::Recordset& readings = screen_helpers::Readings();
    // Holds the database's write lock until it is committed or given up, on every way out.
    store::PendingEdit edit = store::PendingEdit::OfCurrentRecord(readings);
    // Read after Edit: the values stored now, which nobody else can change until Update.
    const store::Value stored = readings.Fields(editor.field);
    const std::optional<store::Value> value =
        entry == shown ? std::optional<store::Value>(stored)
                       : ConvertedEntry(editor.conversion, entry, stored);
    if (!value) {
        edit.Cancel();
        return;
    }
    readings.SetField(editor.field, *value);
    edit.Commit();
}

}  // namespace

void EditReadingField(int item) {
    const FieldEditor* editor = EditorOf(item);
    if (editor == nullptr) {
        return;
    }
    const std::string start =
        StartingText(*editor, TextsOfCurrentReading(screen_helpers::Readings(), kValueWidth));
    const std::optional<std::string> entry = AskForEntry(*editor, start);
    if (!entry) {
        return;
    }
    // What the editor showed of a longer value is its beginning.
    const std::string shown = start.substr(0, static_cast<std::size_t>(editor->length));
    Store(*editor, *entry, shown);
}

}  // namespace tavix::archive
