#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "store/core/record_order.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/current_record.hpp"
#include "store/sqlite/sql_value.hpp"
#include "store/sqlite/table_schema.hpp"

namespace tavix::store::sqlite {

// A key as the SQLite file stores it (type, bytes and all).
class Key final : public StoredKey {
  public:
    explicit Key(SqlValue value) : value_(std::move(value)) {}
    const SqlValue& Stored() const { return value_; }

  private:
    SqlValue value_;
};

// The key of a position in an SQLite index order; NULL when it has none.
const SqlValue& KeyOf(const Position& position);

// The table's own order: ascending rowid, the order in which records were stored. Each step
// keeps the whole record it lands on in current.
std::unique_ptr<RecordOrder> MakeTableOrder(Connection& connection, const TableSchema& table,
                                            std::shared_ptr<CurrentRecord> current);

// Ascending key of a single-column index, equal keys in the table's own order, NULL keys first.
std::unique_ptr<RecordOrder> MakeIndexOrder(Connection& connection, const TableSchema& table,
                                            const IndexOnColumn& index,
                                            std::shared_ptr<CurrentRecord> current);

}  // namespace tavix::store::sqlite
