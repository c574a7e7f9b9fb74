#include "store/sqlite/store_problems.hpp"

#include <optional>
#include <string_view>

#include "store/readings_table.hpp"
#include "store/sqlite/row_cursor.hpp"
#include "store/sqlite/table_schema.hpp"
#include "store/store_error.hpp"

namespace tavix::store::sqlite {

namespace {

namespace table = readings_table;

constexpr std::string_view kCheckAction = "check the database";

// The columns as `tavix-admin init` creates them. terminal has no declared type so that it
// keeps a text as a text and a number as a number; the program knows a date column by DATETIME.
struct ExpectedColumn {
    const char* name;
    const char* declared_type;
};
constexpr ExpectedColumn kExpectedColumns[] = {
    {table::kId, "INTEGER"}, {table::kCode, "TEXT"},         {table::kQuantity, "REAL"},
    {table::kTerminal, ""},  {table::kDateTime, "DATETIME"},
};

bool Mentions(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (SameSqlName(text.substr(at, word.size()), word)) {
            return true;
        }
    }
    return false;
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text);
    quoted.push_back('"');
    return quoted;
}

struct ActualColumn {
    std::string name;
    std::string declared_type;
    std::int64_t primary_key_position;
};

std::vector<ActualColumn> ColumnsOfReadings(Connection& connection) {
    std::vector<ActualColumn> columns;
    RowCursor query(connection, "SELECT name, type, pk FROM pragma_table_info(:table)",
                    kCheckAction);
    query.Bind(":table", table::kTable);
    while (query.Next()) {
        const auto fields = query.Fields();
        columns.push_back({fields[0].text, fields[1].text, fields[2].integer});
    }
    return columns;
}

const ActualColumn* Find(const std::vector<ActualColumn>& columns, std::string_view name) {
    for (const ActualColumn& column : columns) {
        if (SameSqlName(column.name, name)) {
            return &column;
        }
    }
    return nullptr;
}

void CheckColumns(const std::vector<ActualColumn>& columns, std::vector<std::string>& problems) {
    for (const ExpectedColumn& expected : kExpectedColumns) {
        const ActualColumn* column = Find(columns, expected.name);
        if (column == nullptr) {
            problems.push_back(std::string("the table ") + table::kTable + " has no column " +
                               expected.name);
        } else if (!SameSqlName(column->declared_type, expected.declared_type)) {
            const std::string wanted = *expected.declared_type == '\0'
                                           ? "no declared type"
                                           : Quoted(expected.declared_type);
            const std::string actual =
                column->declared_type.empty() ? "no declared type" : Quoted(column->declared_type);
            problems.push_back("the column " + std::string(expected.name) + " has " + actual +
                               " instead of " + wanted);
        }
    }
    std::int64_t key_columns = 0;
    for (const ActualColumn& column : columns) {
        key_columns += column.primary_key_position > 0 ? 1 : 0;
    }
    const ActualColumn* id = Find(columns, table::kId);
    if (id != nullptr && (id->primary_key_position != 1 || key_columns != 1)) {
        problems.push_back(std::string("the column ") + table::kId +
                           " is not the table's INTEGER PRIMARY KEY");
    }
}

// The table's CREATE statement; nothing when there is no readings table.
std::optional<std::string> ReadingsTableSql(Connection& connection) {
    RowCursor query(connection,
                    "SELECT type, sql FROM sqlite_schema "
                    "WHERE name = :table COLLATE NOCASE AND type IN ('table', 'view')",
                    kCheckAction);
    query.Bind(":table", table::kTable);
    if (!query.Next() || query.Fields()[0].text != "table") {
        return std::nullopt;
    }
    return query.Fields()[1].text;
}

void CheckCodeIndex(Connection& connection, std::vector<std::string>& problems) {
    RowCursor query(connection,
                    "SELECT il.partial, ii.name FROM pragma_index_list(:table) AS il, "
                    "pragma_index_info(il.name) AS ii "
                    "WHERE il.name = :index COLLATE NOCASE ORDER BY ii.seqno",
                    kCheckAction);
    query.Bind(":table", table::kTable);
    query.Bind(":index", table::kCodeIndex);
    std::vector<std::string> indexed;
    bool partial = false;
    while (query.Next()) {
        partial = query.Fields()[0].integer != 0;
        indexed.push_back(query.Fields()[1].text);
    }
    if (indexed.empty()) {
        problems.push_back(std::string("the table ") + table::kTable + " has no index " +
                           table::kCodeIndex + " (on the column " + table::kCode + ")");
    } else if (indexed.size() != 1 || !SameSqlName(indexed.front(), table::kCode) || partial) {
        problems.push_back(std::string("the index ") + table::kCodeIndex +
                           " is not an index of every reading on the column " + table::kCode);
    }
}

}  // namespace

std::vector<std::string> IntegrityProblems(Connection& connection) {
    std::vector<std::string> problems;
    try {
        RowCursor query(connection, "PRAGMA integrity_check(100)", kCheckAction);
        while (query.Next()) {
            const std::string& line = query.Fields()[0].text;
            if (line != "ok") {
                problems.push_back("damaged: " + line);
            }
        }
    } catch (const StoreError& error) {
        problems.push_back(error.what());
    }
    return problems;
}

std::vector<std::string> SchemaProblems(Connection& connection) {
    std::vector<std::string> problems;
    const std::optional<std::string> table_sql = ReadingsTableSql(connection);
    if (!table_sql) {
        problems.push_back(std::string("there is no table ") + table::kTable);
        return problems;
    }
    CheckColumns(ColumnsOfReadings(connection), problems);
    if (!Mentions(*table_sql, "AUTOINCREMENT")) {
        problems.push_back(std::string("the column ") + table::kId +
                           " is not AUTOINCREMENT, so the id of a deleted reading can be given "
                           "again");
    }
    CheckCodeIndex(connection, problems);
    return problems;
}

}  // namespace tavix::store::sqlite
