#pragma once

#include <optional>
#include <string_view>

struct sqlite3_value;

namespace tavix::store::sqlite {

// An owned copy of a value exactly as SQLite stored it (type, bytes and all), so that a key read
// from a row can be bound again and compares the same way the index does.
class SqlValue {
  public:
    SqlValue() = default;
    explicit SqlValue(const sqlite3_value* value);
    SqlValue(const SqlValue& other);
    SqlValue& operator=(const SqlValue& other);
    SqlValue(SqlValue&& other) noexcept;
    SqlValue& operator=(SqlValue&& other) noexcept;
    ~SqlValue();

    // Null when empty, which binds as SQL NULL.
    const sqlite3_value* Get() const { return value_; }
    bool IsNull() const;
    // The bytes of a text value; nothing for any other type.
    std::optional<std::string_view> Text() const;

  private:
    sqlite3_value* value_ = nullptr;
};

}  // namespace tavix::store::sqlite
