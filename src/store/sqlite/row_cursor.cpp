#include "store/sqlite/row_cursor.hpp"

namespace tavix::store::sqlite {

RowCursor::RowCursor(Connection& connection, std::string_view sql, std::string_view action)
    : statement_(connection.Prepare(sql, action)), action_(action) {
    fields_.resize(static_cast<std::size_t>(statement_.ColumnCount()));
}

void RowCursor::Bind(const char* name, const std::string& text) {
    if (const int index = statement_.ParameterIndex(name); index > 0) {
        statement_.BindStoredText(index, text);
    }
}

void RowCursor::Bind(const char* name, double number) {
    if (const int index = statement_.ParameterIndex(name); index > 0) {
        statement_.Bind(index, Value(number));
    }
}

bool RowCursor::Next() {
    if (!statement_.Step(action_)) {
        return false;
    }
    for (int column = 0; column < static_cast<int>(fields_.size()); ++column) {
        statement_.ReadStoredField(column, fields_[static_cast<std::size_t>(column)]);
    }
    return true;
}

}  // namespace tavix::store::sqlite
