#pragma once

#include "store/recordset.hpp"

namespace tavix::store {

// A change of a record, from Recordset::Edit or AddNew until Commit. If anything fails before
// Commit, the end of the scope forgets the change (CancelUpdate), so an edit's write lock
// never outlives the screen that took it and no half-assigned record is left pending.
// Of the three ideas of a pending change this is the caller's: a scope that settles it. The
// recordset keeps what was assigned (PendingChange) and the engine holds the edited record
// (EditLock); neither knows when the caller's work is over.
class PendingEdit {
  public:
    // Starts changing the current record (Edit) or a new one (AddNew); fails as they do.
    static PendingEdit OfCurrentRecord(Recordset& recordset);
    static PendingEdit OfNewRecord(Recordset& recordset);

    ~PendingEdit();
    PendingEdit(const PendingEdit&) = delete;
    PendingEdit& operator=(const PendingEdit&) = delete;

    // Writes the change (Update). When that fails, the change is forgotten all the same.
    void Commit();
    // Forgets the change now, failing as CancelUpdate does.
    void Cancel();

  private:
    explicit PendingEdit(Recordset& recordset) : recordset_(recordset) {}

    Recordset& recordset_;
    bool settled_ = false;
};

}  // namespace tavix::store
