#include "acquisition/list_line.hpp"

#include <string>
#include <string_view>
#include <variant>

#include "console/item_list.hpp"
#include "store/readings_table.hpp"
#include "store/value_text.hpp"

namespace tavix::acquisition {
namespace {

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

// A date and time in the list's own form; anything else that was stored, as it reads.
std::string DateTimeText(const store::Value& value, std::size_t width) {
    if (const auto* timestamp = std::get_if<store::Timestamp>(&value)) {
        return ListDateTimeText(*timestamp);
    }
    return store::GeneralFormWithin(value, width);
}

// One field of the current reading as the line shows it. One field at a time: a value
// another tool stored may be megabytes long, and only its beginning is kept.
std::string FieldText(const store::Recordset& readings, std::string_view field, std::size_t width) {
    return console::AsItemText(store::GeneralFormWithin(readings.Fields(field), width));
}

}  // namespace

std::string ListDateTimeText(const store::Timestamp& timestamp) {
    return TwoDigits(timestamp.day) + "/" + TwoDigits(timestamp.month) + "/" +
           TwoDigits(timestamp.year % 100) + " " + TwoDigits(timestamp.hour) + ":" +
           TwoDigits(timestamp.minute) + ":" + TwoDigits(timestamp.second);
}

std::string ListLine(const store::Recordset& readings, std::size_t value_width) {
    namespace table = store::readings_table;
    std::string line = FieldText(readings, table::kCode, value_width);
    line += ", qt " + FieldText(readings, table::kQuantity, value_width);
    line +=
        ", " + console::AsItemText(DateTimeText(readings.Fields(table::kDateTime), value_width));
    line += ", " + FieldText(readings, table::kTerminal, value_width);
    return line;
}

}  // namespace tavix::acquisition
