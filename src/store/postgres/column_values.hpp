#pragma once

#include <string>

#include "store/postgres/client/connection.hpp"
#include "store/stored_field.hpp"

namespace tavix::store::postgres {

// A value from another store as a statement parameter for a column of the PostgreSQL readings
// table, and, when the column cannot hold the value as it was, what it holds instead in a
// sentence ("DateTime \"soon\" is not a date and time: stored as NULL"); empty otherwise.
struct ColumnValue {
    postgres::Parameter parameter;
    std::string change;
};

// For a text column (code, terminal): a number becomes its text in the general form ("6",
// "2.5"), as the program stores a number there. A text that is not UTF-8, or holds a NUL,
// has each such byte replaced by U+FFFD: PostgreSQL refuses both.
ColumnValue TextColumnValue(const StoredField& field, std::string_view column);

// For a double precision column (qt): a number in the shortest digits that read back as the
// same double; a text that is a number whole is that number, any other text is NULL.
ColumnValue NumberColumnValue(const StoredField& field, std::string_view column);

// For a timestamp(0) column (DateTime): a text "YYYY-MM-DD HH:MM:SS" that is a real date and
// time, a fraction of a second cut off; anything else is NULL.
ColumnValue DateTimeColumnValue(const StoredField& field, std::string_view column);

}  // namespace tavix::store::postgres
