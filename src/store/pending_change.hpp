#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "table_schema.hpp"
#include "transaction.hpp"
#include "value.hpp"

namespace tavix::store {

class Connection;

// The record being added or edited, from AddNew or Edit until Update. An edit holds its
// immediate transaction from Edit on, so what was read after Edit is what gets overwritten;
// dropping the change rolls that transaction back and lets other programs write again.
class PendingChange {
  public:
    static PendingChange ForNewRecord();
    static PendingChange ForEdit(std::int64_t rowid, std::unique_ptr<ImmediateTransaction> lock);

    bool IsEdit() const { return transaction_ != nullptr; }
    // The edited record's rowid.
    std::int64_t Rowid() const { return rowid_; }

    void Assign(std::size_t column, const Value& value) { values_[column] = value; }
    // The value assigned to a column since AddNew or Edit, or null when none was.
    const Value* Assigned(std::size_t column) const;

    // Inserts or updates the record and commits; the change is on disk when this returns.
    void Write(Connection& connection, const TableSchema& table);

  private:
    PendingChange() = default;

    void Insert(Connection& connection, const TableSchema& table);
    void UpdateRecord(Connection& connection, const TableSchema& table);

    std::int64_t rowid_ = 0;
    std::unique_ptr<ImmediateTransaction> transaction_;
    std::map<std::size_t, Value> values_;  // ordered, so equal column sets give equal SQL
};

}  // namespace tavix::store
