#include "store/sqlite/row_cursor.hpp"

#include <sqlite3.h>

#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

RowCursor::RowCursor(sqlite3* db, const std::string& path, std::string_view sql,
                     std::string_view action)
    : db_(db), path_(path), action_(action) {
    const int result =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(statement_);
        FailOnSqlite(path_, action_, db, result);
    }
    fields_.resize(static_cast<std::size_t>(sqlite3_column_count(statement_)));
}

RowCursor::~RowCursor() {
    sqlite3_finalize(statement_);
}

void RowCursor::Bind(const char* name, const std::string& text) {
    const int index = sqlite3_bind_parameter_index(statement_, name);
    if (index > 0) {
        CheckBind(sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                      SQLITE_UTF8));
    }
}

void RowCursor::Bind(const char* name, double number) {
    const int index = sqlite3_bind_parameter_index(statement_, name);
    if (index > 0) {
        CheckBind(sqlite3_bind_double(statement_, index, number));
    }
}

bool RowCursor::Next() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_DONE) {
        return false;
    }
    if (result != SQLITE_ROW) {
        FailOnSqlite(path_, action_, db_, result);
    }
    for (int column = 0; column < static_cast<int>(fields_.size()); ++column) {
        ReadField(column);
    }
    return true;
}

void RowCursor::ReadField(int column) {
    StoredField& field = fields_[static_cast<std::size_t>(column)];
    const int type = sqlite3_column_type(statement_, column);
    switch (type) {
        case SQLITE_NULL:
            field.kind = StoredField::Kind::kNull;
            return;
        case SQLITE_INTEGER:
            field.kind = StoredField::Kind::kInteger;
            field.integer = sqlite3_column_int64(statement_, column);
            return;
        case SQLITE_FLOAT:
            field.kind = StoredField::Kind::kReal;
            field.real = sqlite3_column_double(statement_, column);
            return;
        default:
            break;
    }
    // A text comes as UTF-8 whatever the file's encoding, its bytes untouched in a UTF-8 file;
    // a blob as its bytes.
    const void* bytes = type == SQLITE_TEXT ? sqlite3_column_text(statement_, column)
                                            : sqlite3_column_blob(statement_, column);
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement_, column));
    field.kind = StoredField::Kind::kText;
    field.text.assign(bytes == nullptr ? "" : static_cast<const char*>(bytes), size);
}

void RowCursor::CheckBind(int result) {
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action_, db_, result);
    }
}

}  // namespace tavix::store::sqlite
