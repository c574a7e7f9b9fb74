#include "archive/reading_texts.hpp"

#include <variant>

#include "archive/date_time_text.hpp"
#include "store/readings_table.hpp"
#include "store/value_text.hpp"

namespace tavix::archive {

std::string DateTextOf(const store::Value& date_time) {
    const auto* timestamp = std::get_if<store::Timestamp>(&date_time);
    return timestamp == nullptr ? std::string() : DateText(*timestamp);
}

std::string TimeTextOf(const store::Value& date_time) {
    const auto* timestamp = std::get_if<store::Timestamp>(&date_time);
    return timestamp == nullptr ? std::string() : TimeText(*timestamp);
}

ReadingTexts TextsOfCurrentReading(const store::Recordset& readings, std::size_t width) {
    // One field at a time: a value another tool stored may be megabytes long, and only its
    // beginning is kept.
    namespace table = store::readings_table;
    ReadingTexts texts;
    texts.code = store::GeneralFormWithin(readings.Fields(table::kCode), width);
    texts.quantity = store::GeneralFormWithin(readings.Fields(table::kQuantity), width);
    texts.terminal = store::GeneralFormWithin(readings.Fields(table::kTerminal), width);
    const store::Value date_time = readings.Fields(table::kDateTime);
    texts.date = DateTextOf(date_time);
    texts.time = TimeTextOf(date_time);
    return texts;
}

}  // namespace tavix::archive
