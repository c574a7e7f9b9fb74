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

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    return bytes == nullptr ? std::string() : std::string(bytes, static_cast<std::size_t>(size));
}

}  // namespace

Statement::Statement(sqlite3* db, const std::string& path, std::string_view sql)
    : db_(db), path_(&path) {
    const int result = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(statement_);
        FailOnSqlite(path, "prepare \"" + std::string(sql) + "\"", db, result);
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

void Statement::Bind(int index, std::int64_t value) {
    CheckBind(sqlite3_bind_int64(statement_, index, value));
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
    CheckBind(std::visit(Binder{statement_, index}, value));
}

void Statement::BindStoredText(int index, std::string_view bytes) {
    CheckBind(sqlite3_bind_text64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT,
                                  SQLITE_UTF8));
}

void Statement::Bind(int index, const SqlValue& value) {
    CheckBind(value.Get() == nullptr ? sqlite3_bind_null(statement_, index)
                                     : sqlite3_bind_value(statement_, index, value.Get()));
}

bool Statement::Step(std::string_view action) {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    FailOnSqlite(*path_, action, db_, result);
}

int Statement::ColumnCount() const {
    return sqlite3_column_count(statement_);
}

std::int64_t Statement::ColumnInt64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

SqlValue Statement::ColumnSqlValue(int column) const {
    return SqlValue(sqlite3_column_value(statement_, column));
}

Value Statement::ColumnValue(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
        case SQLITE_NULL:
            return std::monostate{};
        case SQLITE_INTEGER:
            return static_cast<std::int64_t>(sqlite3_column_int64(statement_, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(statement_, column);
        default:
            break;
    }
    std::string text = ProgramFormOf(ColumnText(statement_, column));
    if (IsDateTimeColumn(sqlite3_column_decltype(statement_, column))) {
        if (auto timestamp = Timestamp::FromSqlText(text)) {
            return *timestamp;
        }
    }
    return text;
}

void Statement::Reset() noexcept {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

void Statement::CheckBind(int result) {
    if (result != SQLITE_OK) {
        FailOnSqlite(*path_, "bind a value to a query", db_, result);
    }
}

}  // namespace tavix::store::sqlite
