#pragma once

#include <cstdint>
#include <memory>

#include "store/core/store_table.hpp"
#include "store/value.hpp"

namespace tavix::store {

// The record being added or edited, from AddNew or Edit until Update. An edit holds its record
// from Edit on (see EditLock), so what was read after Edit is what gets overwritten; dropping
// the change lets go of it and changes nothing.
// Of the three ideas of a pending change this is the recordset's memory: the values assigned
// and, for an edit, the engine's EditLock, written together by Update. PendingEdit is only the
// caller's scope around it.
class PendingChange {
  public:
    static PendingChange ForNewRecord();
    static PendingChange ForEdit(std::int64_t rowid, std::unique_ptr<EditLock> lock);

    bool IsEdit() const { return is_edit_; }
    // The edited record's rowid.
    std::int64_t Rowid() const { return rowid_; }

    void Assign(std::size_t column, const Value& value) { values_[column] = value; }
    // The value assigned to a column since AddNew or Edit, or null when none was.
    const Value* Assigned(std::size_t column) const;

    // Inserts or updates the record; the change is durable when this returns. Once only.
    void Write(StoreTable& table);

  private:
    PendingChange() = default;

    bool is_edit_ = false;
    std::int64_t rowid_ = 0;
    std::unique_ptr<EditLock> lock_;
    FieldValues values_;
};

}  // namespace tavix::store
