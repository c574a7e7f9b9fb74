#include "archive/reading_texts.hpp"

#include <variant>

#include "archive/date_time_text.hpp"
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
    ReadingTexts texts;
    texts.code = store::GeneralFormWithin(readings.Fields(kCodeField), width);
    texts.quantity = store::GeneralFormWithin(readings.Fields(kQuantityField), width);
    texts.terminal = store::GeneralFormWithin(readings.Fields(kTerminalField), width);
    const store::Value date_time = readings.Fields(kDateTimeField);
    texts.date = DateTextOf(date_time);
    texts.time = TimeTextOf(date_time);
    return texts;
}

}  // namespace tavix::archive
