#include "acquisition/list_line.hpp"

#include <string>
#include <variant>

#include "store/value_text.hpp"

namespace tavix::acquisition {
namespace {

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

// A date and time in the list's own form; anything else that was stored, as it reads.
std::string DateTimeText(const store::Value& value) {
    if (const auto* timestamp = std::get_if<store::Timestamp>(&value)) {
        return ListDateTimeText(*timestamp);
    }
    return store::GeneralForm(value);
}

}  // namespace

std::string ListDateTimeText(const store::Timestamp& timestamp) {
    return TwoDigits(timestamp.day) + "/" + TwoDigits(timestamp.month) + "/" +
           TwoDigits(timestamp.year % 100) + " " + TwoDigits(timestamp.hour) + ":" +
           TwoDigits(timestamp.minute) + ":" + TwoDigits(timestamp.second);
}

std::string ListLine(const store::Recordset& readings) {
    return store::GeneralForm(readings.Fields("code")) + ", qt " +
           store::GeneralForm(readings.Fields("qt")) + ", " +
           DateTimeText(readings.Fields("DateTime")) + ", " +
           store::GeneralForm(readings.Fields("terminal"));
}

}  // namespace tavix::acquisition
