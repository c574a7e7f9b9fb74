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

ReadingTexts TextsOfCurrentReading(const store::Recordset& readings) {
    const store::Value date_time = readings.Fields(kDateTimeField);
    return ReadingTexts{
        store::GeneralForm(readings.Fields(kCodeField)),
        store::GeneralForm(readings.Fields(kQuantityField)),
        store::GeneralForm(readings.Fields(kTerminalField)),
        DateTextOf(date_time),
        TimeTextOf(date_time),
    };
}

}  // namespace tavix::archive
