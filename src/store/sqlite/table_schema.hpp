#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/core/sql_name.hpp"

namespace tavix::store::sqlite {

class Connection;

struct TableColumn {
    std::string name;
    std::string declared_type;
};

// A table's columns in their stored order, which is also the order of SELECT *.
struct TableSchema {
    std::string name;
    std::vector<TableColumn> columns;

    // The position of a column, matched without regard to case as SQL does; nothing when the
    // table has no such column.
    std::optional<std::size_t> ColumnIndex(std::string_view column) const;
};

// Throws StoreError when the table does not exist.
TableSchema LoadTableSchema(Connection& connection, std::string_view table);

struct IndexOnColumn {
    std::string index_name;  // as the schema spells it
    std::string column_name;
};

// The single-column index of that name on the table; throws StoreError when there is none.
IndexOnColumn FindIndex(Connection& connection, const TableSchema& table,
                        std::string_view index_name);

}  // namespace tavix::store::sqlite
