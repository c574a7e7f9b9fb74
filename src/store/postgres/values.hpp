#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/postgres/client/connection.hpp"
#include "store/value.hpp"

namespace tavix::store::postgres {

// How the program's values travel to and from a column of a PostgreSQL table. Texts cross the
// store's edge here, as in the SQLite file (core/stored_text.hpp): UTF-8 on the server, the code
// page in the program.
enum class ColumnType { kInteger, kFloat, kText, kTimestamp, kOther };

// The column type of a type name as the catalog gives it (pg_type.typname).
ColumnType ColumnTypeOf(std::string_view type_name);

// A value as the parameter for a column of that type: NULL, or its text as the server reads it.
// A number written to a text column is its general form ("6", "2.5"), a date its SQL form.
postgres::Parameter ParameterFor(const Value& value, ColumnType type);

// A double in the shortest digits that read back as the same double, in a form the server
// reads ("Infinity", "NaN" included).
std::string NumberText(double number);

// A record's key (its rowid) as a parameter.
postgres::Parameter RowidParameter(std::int64_t rowid);

// A field of a result as the program reads it: a whole number, a double, a text in the code
// page or a timestamp by the column's type; null for NULL. What none of them can hold (a
// date beyond year 9999, a value of another type) comes back as its text.
Value ValueFrom(const postgres::Result& result, int row, int column, ColumnType type);

}  // namespace tavix::store::postgres
