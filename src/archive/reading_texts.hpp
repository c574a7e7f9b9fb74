#pragma once

#include <cstddef>
#include <string>

#include "store/recordset.hpp"
#include "store/value.hpp"

namespace tavix::archive {

// The five values of a reading as the browser shows them and its editors start from: code,
// quantity and terminal in their general form (numbers with "." whatever the locale, so the
// editors read back what they showed), each in no more characters than its place has; the
// day as "dd/mm/yyyy" and the time as "hh:nn:ss". A missing value gives an empty text.
struct ReadingTexts {
    std::string code;
    std::string quantity;
    std::string terminal;
    std::string date;
    std::string time;

    friend bool operator==(const ReadingTexts&, const ReadingTexts&) = default;
};

// The texts of the current record of readings, code, quantity and terminal in at most width
// characters (store::GeneralFormWithin).
ReadingTexts TextsOfCurrentReading(const store::Recordset& readings, std::size_t width);

// The day and the time of a stored DateTime; empty when it holds no date and time (a null,
// or a text another tool wrote that is not one).
std::string DateTextOf(const store::Value& date_time);
std::string TimeTextOf(const store::Value& date_time);

}  // namespace tavix::archive
