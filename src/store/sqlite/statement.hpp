#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/sqlite/sql_value.hpp"
#include "store/value.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace tavix::store::sqlite {

// One prepared SQLite statement, finalized when it goes. Failures throw StoreError naming the
// database file and the action the caller was performing.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& path, std::string_view sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Parameters are numbered from 1, as in SQL. A text Value is bound in its stored form
    // (core/stored_text.hpp); a SqlValue and BindStoredText's bytes go in exactly as they are.
    void Bind(int index, std::int64_t value);
    void Bind(int index, const Value& value);
    void Bind(int index, const SqlValue& value);
    void BindStoredText(int index, std::string_view bytes);

    // True when a row is ready to be read, false when the statement has finished.
    bool Step(std::string_view action);

    int ColumnCount() const;
    std::int64_t ColumnInt64(int column) const;
    SqlValue ColumnSqlValue(int column) const;
    // The column as a Value, a text in the program's form; a text in a column declared
    // DATETIME that holds a valid date and time comes back as a Timestamp.
    Value ColumnValue(int column) const;

    // Ends the statement's use: its read snapshot is released and its parameters cleared.
    void Reset() noexcept;

  private:
    void CheckBind(int result);

    sqlite3* db_;
    const std::string* path_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace tavix::store::sqlite
