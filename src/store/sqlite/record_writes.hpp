#pragma once

#include <cstdint>
#include <vector>

#include "store/core/store_table.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/sql_value.hpp"
#include "store/sqlite/table_schema.hpp"

namespace tavix::store::sqlite {

// Writing a record of an SQLite table. A text written back exactly
// as the program read it keeps its stored bytes (see core/stored_text.hpp): stored is the
// record's columns exactly as stored, read under the write lock the update is made in.
void InsertRecord(Connection& connection, const TableSchema& table, const FieldValues& values);
void UpdateRecord(Connection& connection, const TableSchema& table, std::int64_t rowid,
                  const std::vector<SqlValue>& stored, const FieldValues& values);

}  // namespace tavix::store::sqlite
