#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/sqlite/handle.hpp"
#include "store/sqlite/sql_value.hpp"
#include "store/stored_field.hpp"
#include "store/value.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace tavix::store::sqlite {

// One prepared SQLite statement, finalized when it goes. Failures throw StoreError naming the
// database file and the action the caller was performing.
class Statement {
  public:
    // Prepares sql on db, the connection to the file at path. A failure names action, or else
    // the preparing of sql.
    Statement(sqlite3* db, std::string path, std::string_view sql, std::string_view action = {});

    // Parameters are numbered from 1, as in SQL. A text Value is bound in its stored form
    // (core/stored_text.hpp); a SqlValue and BindStoredText's bytes go in exactly as they are.
    void Bind(int index, std::int64_t value);
    void Bind(int index, const Value& value);
    void Bind(int index, const SqlValue& value);
    void BindStoredText(int index, std::string_view bytes);
    // A value exactly as another store holds it: a number of its type, a text's bytes as they
    // are.
    void BindStoredField(int index, const StoredField& field);
    // The number of the parameter ":name"; 0 when the statement has none of that name.
    int ParameterIndex(const char* name) const;

    // True when a row is ready to be read, false when the statement has finished.
    bool Step(std::string_view action);

    int ColumnCount() const;
    // The size of a text or a blob as stored; 0 for any other value, which is left unconverted.
    int ColumnBytes(int column) const;
    std::int64_t ColumnInt64(int column) const;
    SqlValue ColumnSqlValue(int column) const;
    // The column as a Value, a text in the program's form; a text in a column declared
    // DATETIME that holds a valid date and time comes back as a Timestamp.
    Value ColumnValue(int column) const;
    // The column exactly as stored: a number of its type, a text or a blob as its bytes.
    void ReadStoredField(int column, StoredField& field) const;

    // Ends the statement's use: its read snapshot is released and its parameters cleared.
    void Reset() noexcept;

  private:
    void CheckBind(int result);

    sqlite3* db_;
    std::string path_;
    StatementHandle statement_;
};

}  // namespace tavix::store::sqlite
