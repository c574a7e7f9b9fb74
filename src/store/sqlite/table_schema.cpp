#include "store/sqlite/table_schema.hpp"

#include "store/sqlite/connection.hpp"
#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

namespace {

std::string TextOf(const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    return text != nullptr ? *text : std::string();
}

}  // namespace

std::optional<std::size_t> TableSchema::ColumnIndex(std::string_view column) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (SameSqlName(columns[i].name, column)) {
            return i;
        }
    }
    return std::nullopt;
}

TableSchema LoadTableSchema(Connection& connection, std::string_view table) {
    constexpr std::string_view kAction = "read the table's columns";
    TableSchema schema{std::string(table), {}};
    Query query(connection, "SELECT name, type FROM pragma_table_info(?1)", kAction);
    query->Bind(1, Value(std::string(table)));
    while (query.Step()) {
        schema.columns.push_back({TextOf(query->ColumnValue(0)), TextOf(query->ColumnValue(1))});
    }
    if (schema.columns.empty()) {
        Fail(connection.Path(), "open the table " + QuoteIdentifier(table),
             "the database has no such table", ErrorKind::kNoSuchTable);
    }
    return schema;
}

IndexOnColumn FindIndex(Connection& connection, const TableSchema& table,
                        std::string_view index_name) {
    constexpr std::string_view kAction = "read the table's indexes";
    Query query(connection,
                "SELECT il.name, ii.name FROM pragma_index_list(?1) AS il, "
                "pragma_index_info(il.name) AS ii WHERE il.name = ?2 COLLATE NOCASE",
                kAction);
    query->Bind(1, Value(table.name));
    query->Bind(2, Value(std::string(index_name)));
    std::vector<IndexOnColumn> columns;
    while (query.Step()) {
        columns.push_back({TextOf(query->ColumnValue(0)), TextOf(query->ColumnValue(1))});
    }
    if (columns.size() != 1 || columns.front().column_name.empty()) {
        Fail(
            connection.Path(), "select the index " + QuoteIdentifier(index_name),
            "the table " + QuoteIdentifier(table.name) + " has no index of that name on one column",
            ErrorKind::kNoSuchTable);
    }
    return columns.front();
}

}  // namespace tavix::store::sqlite
