#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/row_cursor.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace tavix::store::sqlite {

// One query on an SQLite connection, its rows read forwards. Parameters are bound by name
// before the first Next().
class RowCursor final : public store::RowCursor {
  public:
    // Prepares sql; throws StoreError naming path and action when it cannot.
    RowCursor(sqlite3* db, const std::string& path, std::string_view sql, std::string_view action);
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;
    ~RowCursor() override;

    // Binds the parameter ":name" when the query has one.
    void Bind(const char* name, const std::string& text);
    void Bind(const char* name, double number);

    bool Next() override;
    std::span<const StoredField> Fields() const override { return fields_; }

  private:
    void ReadField(int column);
    void CheckBind(int result);

    sqlite3* db_;
    std::string path_;
    std::string action_;
    sqlite3_stmt* statement_ = nullptr;
    std::vector<StoredField> fields_;
};

}  // namespace tavix::store::sqlite
