#include "store/sqlite/sql_value.hpp"

#include <sqlite3.h>

#include <new>
#include <utility>

namespace tavix::store::sqlite {

namespace {

sqlite3_value* Duplicate(const sqlite3_value* value) {
    if (value == nullptr) {
        return nullptr;
    }
    sqlite3_value* copy = sqlite3_value_dup(value);
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    return copy;
}

}  // namespace

SqlValue::SqlValue(const sqlite3_value* value) : value_(Duplicate(value)) {}

SqlValue::SqlValue(const SqlValue& other) : value_(Duplicate(other.value_)) {}

SqlValue& SqlValue::operator=(const SqlValue& other) {
    if (this != &other) {
        SqlValue copy(other);
        std::swap(value_, copy.value_);
    }
    return *this;
}

SqlValue::SqlValue(SqlValue&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}

SqlValue& SqlValue::operator=(SqlValue&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
}

SqlValue::~SqlValue() {
    sqlite3_value_free(value_);
}

bool SqlValue::IsNull() const {
    return value_ == nullptr || sqlite3_value_type(value_) == SQLITE_NULL;
}

std::optional<std::string_view> SqlValue::Text() const {
    if (value_ == nullptr || sqlite3_value_type(value_) != SQLITE_TEXT) {
        return std::nullopt;
    }
    // Asked for as a blob, SQLite hands the bytes over without converting them.
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value_));
    return std::string_view(bytes == nullptr ? "" : bytes,
                            static_cast<std::size_t>(sqlite3_value_bytes(value_)));
}

}  // namespace tavix::store::sqlite
