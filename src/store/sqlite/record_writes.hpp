#pragma once

#include <cstdint>

#include "store/core/store_table.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/table_schema.hpp"

namespace tavix::store::sqlite {

// Writing a record of an SQLite table. A text written back exactly
// as the program read it keeps its stored bytes (see core/stored_text.hpp).
void InsertRecord(Connection& connection, const TableSchema& table, const FieldValues& values);
void UpdateRecord(Connection& connection, const TableSchema& table, std::int64_t rowid,
                  const FieldValues& values);

}  // namespace tavix::store::sqlite
