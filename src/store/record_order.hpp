#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "query.hpp"
#include "sql_value.hpp"
#include "table_schema.hpp"
#include "value.hpp"

namespace tavix::store {

// Where a record stands in an order: its rowid and, in an index order, its key as stored. A
// position outlives its record, so the neighbours of a deleted record can still be found.
struct Position {
    std::int64_t rowid = 0;
    SqlValue key;
};

// One order over a table's records. Every step is a keyset query that seeks its answer in a
// B-tree: no scan, and nothing of the table is kept in memory.
class RecordOrder {
  public:
    virtual ~RecordOrder() = default;

    virtual std::optional<Position> First() = 0;
    virtual std::optional<Position> Last() = 0;
    virtual std::optional<Position> After(const Position& position) = 0;
    virtual std::optional<Position> Before(const Position& position) = 0;
    // The position of the record with that rowid, or nothing when it no longer exists.
    virtual std::optional<Position> Find(std::int64_t rowid) = 0;
    // The first record whose key equals key, or nothing. Only an index order has keys.
    virtual std::optional<Position> FirstWithKey(const Value& key) = 0;
};

// The table's own order: ascending rowid, the order in which records were stored.
std::unique_ptr<RecordOrder> MakeTableOrder(Connection& connection, const TableSchema& table);

// Ascending key of a single-column index, equal keys in the table's own order, NULL keys first.
std::unique_ptr<RecordOrder> MakeIndexOrder(Connection& connection, const TableSchema& table,
                                            const IndexOnColumn& index);

// Runs a query whose first row (if any) holds a rowid and, optionally, the key after it.
template <typename Binder>
std::optional<Position> ReadPosition(Connection& connection, const std::string& sql,
                                     std::string_view action, Binder bind) {
    Query query(connection, sql, action);
    bind(*query);
    if (!query.Step()) {
        return std::nullopt;
    }
    const bool has_key = query->ColumnCount() > 1;
    return Position{query->ColumnInt64(0), has_key ? query->ColumnSqlValue(1) : SqlValue()};
}

}  // namespace tavix::store
