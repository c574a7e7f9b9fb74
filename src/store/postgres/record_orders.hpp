#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/core/record_order.hpp"
#include "store/postgres/current_row.hpp"
#include "store/postgres/session.hpp"
#include "store/postgres/values.hpp"

namespace tavix::store::postgres {

struct Column {
    std::string name;    // as the catalog spells it
    std::string quoted;  // for SQL text
    ColumnType type;
};

// What the orders and the writes need to know of a table on the server: its name for SQL text,
// its key (the rowid of the recordset: a single whole-number primary key column), its columns,
// and the column of a new record's own key (reading_key, a uuid) when it has one, and whether
// that key is unique (so a record sent twice is stored once).
struct TableShape {
    std::string quoted_name;
    std::size_t key_column = 0;
    std::vector<Column> columns;
    std::optional<std::size_t> reading_key_column;
    bool reading_key_unique = false;
    bool readings_table = false;  // the readings table, whose new readings a keeper may keep

    const Column& Key() const { return columns[key_column]; }
    // Every column in order, for a SELECT list: "id", "code", ...
    std::string ColumnList() const;
};

// A key as the server returned it, in UTF-8; nothing for NULL.
class Key final : public StoredKey {
  public:
    explicit Key(std::optional<std::string> text) : text_(std::move(text)) {}
    const std::optional<std::string>& Text() const { return text_; }

  private:
    std::optional<std::string> text_;
};

// The table's own order (ascending key) and the order of an index on key_column (ascending,
// equal values in the table's own order, NULL first), as keyset queries each a seek in a
// B-tree index. Each query returns the whole record it finds, which becomes current.
std::unique_ptr<RecordOrder> MakeTableOrder(Session& session, const TableShape& shape,
                                            std::shared_ptr<CurrentRow> current);
std::unique_ptr<RecordOrder> MakeIndexOrder(Session& session, const TableShape& shape,
                                            std::size_t key_column,
                                            std::shared_ptr<CurrentRow> current);

}  // namespace tavix::store::postgres
