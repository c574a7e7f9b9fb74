#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/postgres/session.hpp"
#include "store/postgres/values.hpp"
#include "store/core/record_order.hpp"

namespace tavix::store {

struct PostgresColumn {
    std::string name;    // as the catalog spells it
    std::string quoted;  // for SQL text
    ColumnType type;
};

// What the orders need to know of a table on the server: its name for SQL text, its key (the
// rowid of the recordset: a single whole-number primary key column) and its columns.
struct PostgresTableShape {
    std::string quoted_name;
    std::size_t key_column = 0;
    std::vector<PostgresColumn> columns;

    const PostgresColumn& Key() const { return columns[key_column]; }
};

// A key as the server returned it, in UTF-8; nothing for NULL.
class PostgresKey final : public StoredKey {
  public:
    explicit PostgresKey(std::optional<std::string> text) : text_(std::move(text)) {}
    const std::optional<std::string>& Text() const { return text_; }

  private:
    std::optional<std::string> text_;
};

// The table's own order (ascending key) and the order of an index on key_column (ascending,
// equal values in the table's own order, NULL first), as keyset queries each a seek in a
// B-tree index (postgres_record_orders.cpp).
std::unique_ptr<RecordOrder> MakePostgresTableOrder(PostgresSession& session,
                                                    const PostgresTableShape& shape);
std::unique_ptr<RecordOrder> MakePostgresIndexOrder(PostgresSession& session,
                                                    const PostgresTableShape& shape,
                                                    std::size_t key_column);

}  // namespace tavix::store
