#include "store/sqlite/statement.hpp"

#include <sqlite3.h>
#include <strings.h>

#include "store/core/stored_text.hpp"
#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

namespace {

bool IsDateTimeColumn(const char* declared_type) {
    return declared_type != nullptr && strcasecmp(declared_type, "DATETIME") == 0;
}

// The column's bytes where SQLite holds them, valid until the statement moves on: a value of
// megabytes is then converted once, not copied first.
std::string_view ColumnText(sqlite3_stmt* statement, int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    return bytes == nullptr ? std::string_view()
                            : std::string_view(bytes, static_cast<std::size_t>(size));
}

}  // namespace

Statement::Statement(sqlite3* db, std::string path, std::string_view sql, std::string_view action)
    : db_(db), path_(std::move(path)) {
    int result = SQLITE_OK;
    statement_ = PrepareStatementHandle(db, sql, SQLITE_PREPARE_PERSISTENT, result);
    if (!statement_) {
        const std::string preparing = "prepare \"" + std::string(sql) + "\"";
        FailOnSqlite(path_, action.empty() ? std::string_view(preparing) : action, db, result);
    }
}

void Statement::Bind(int index, std::int64_t value) {
    CheckBind(sqlite3_bind_int64(statement_.get(), index, value));
}

void Statement::Bind(int index, const Value& value) {
    struct Binder {
        sqlite3_stmt* statement;
        int index;
        int operator()(std::monostate) const { return sqlite3_bind_null(statement, index); }
        int operator()(std::int64_t number) const {
            return sqlite3_bind_int64(statement, index, number);
        }
        int operator()(double number) const {
            return sqlite3_bind_double(statement, index, number);
        }
        int operator()(const std::string& text) const {
            const std::string stored = StoredFormOf(text);
            return sqlite3_bind_text64(statement, index, stored.data(), stored.size(),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        int operator()(const Timestamp& timestamp) const { return (*this)(timestamp.ToSqlText()); }
    };
    CheckBind(std::visit(Binder{statement_.get(), index}, value));
}

void Statement::BindStoredText(int index, std::string_view bytes) {
    CheckBind(sqlite3_bind_text64(statement_.get(), index, bytes.data(), bytes.size(),
                                  SQLITE_TRANSIENT, SQLITE_UTF8));
}

void Statement::BindStoredField(int index, const StoredField& field) {
    switch (field.kind) {
        case StoredField::Kind::kNull:
            CheckBind(sqlite3_bind_null(statement_.get(), index));
            return;
        case StoredField::Kind::kInteger:
            Bind(index, field.integer);
            return;
        case StoredField::Kind::kReal:
            CheckBind(sqlite3_bind_double(statement_.get(), index, field.real));
            return;
        case StoredField::Kind::kText:
            BindStoredText(index, field.text);
            return;
    }
}

int Statement::ParameterIndex(const char* name) const {
    return sqlite3_bind_parameter_index(statement_.get(), name);
}

void Statement::Bind(int index, const SqlValue& value) {
    CheckBind(value.Get() == nullptr ? sqlite3_bind_null(statement_.get(), index)
                                     : sqlite3_bind_value(statement_.get(), index, value.Get()));
}

bool Statement::Step(std::string_view action) {
    const int result = sqlite3_step(statement_.get());
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    FailOnSqlite(path_, action, db_, result);
}

int Statement::ColumnCount() const {
    return sqlite3_column_count(statement_.get());
}

int Statement::ColumnBytes(int column) const {
    const int type = sqlite3_column_type(statement_.get(), column);
    return type == SQLITE_TEXT || type == SQLITE_BLOB
               ? sqlite3_column_bytes(statement_.get(), column)
               : 0;
}

std::int64_t Statement::ColumnInt64(int column) const {
    return sqlite3_column_int64(statement_.get(), column);
}

SqlValue Statement::ColumnSqlValue(int column) const {
    return SqlValue(sqlite3_column_value(statement_.get(), column));
}

Value Statement::ColumnValue(int column) const {
    switch (sqlite3_column_type(statement_.get(), column)) {
        case SQLITE_NULL:
            return std::monostate{};
        case SQLITE_INTEGER:
            return static_cast<std::int64_t>(sqlite3_column_int64(statement_.get(), column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(statement_.get(), column);
        default:
            break;
    }
    std::string text = ProgramFormOf(ColumnText(statement_.get(), column));
    if (IsDateTimeColumn(sqlite3_column_decltype(statement_.get(), column))) {
        if (auto timestamp = Timestamp::FromSqlText(text)) {
            return *timestamp;
        }
    }
    return text;
}

void Statement::ReadStoredField(int column, StoredField& field) const {
    const int type = sqlite3_column_type(statement_.get(), column);
    switch (type) {
        case SQLITE_NULL:
            field.kind = StoredField::Kind::kNull;
            return;
        case SQLITE_INTEGER:
            field.kind = StoredField::Kind::kInteger;
            field.integer = sqlite3_column_int64(statement_.get(), column);
            return;
        case SQLITE_FLOAT:
            field.kind = StoredField::Kind::kReal;
            field.real = sqlite3_column_double(statement_.get(), column);
            return;
        default:
            break;
    }
    // A text comes as UTF-8 whatever the file's encoding, its bytes untouched in a UTF-8 file;
    // a blob as its bytes.
    const void* bytes = type == SQLITE_TEXT ? sqlite3_column_text(statement_.get(), column)
                                            : sqlite3_column_blob(statement_.get(), column);
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column));
    field.kind = StoredField::Kind::kText;
    field.text.assign(bytes == nullptr ? "" : static_cast<const char*>(bytes), size);
}

void Statement::Reset() noexcept {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
}

void Statement::CheckBind(int result) {
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, "bind a value to a query", db_, result);
    }
}

}  // namespace tavix::store::sqlite
