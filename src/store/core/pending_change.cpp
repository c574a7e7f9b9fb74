#include "store/core/pending_change.hpp"

namespace tavix::store {

PendingChange PendingChange::ForNewRecord() {
    return PendingChange();
}

PendingChange PendingChange::ForEdit(std::int64_t rowid, std::unique_ptr<EditLock> lock) {
    PendingChange change;
    change.is_edit_ = true;
    change.rowid_ = rowid;
    change.lock_ = std::move(lock);
    return change;
}

const Value* PendingChange::Assigned(std::size_t column) const {
    const auto found = values_.find(column);
    return found == values_.end() ? nullptr : &found->second;
}

void PendingChange::Write(StoreTable& table) {
    if (is_edit_) {
        table.Update(std::move(lock_), rowid_, values_);
    } else {
        table.Insert(values_);
    }
}

}  // namespace tavix::store
