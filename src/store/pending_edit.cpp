#include "store/pending_edit.hpp"

namespace tavix::store {

PendingEdit PendingEdit::OfCurrentRecord(Recordset& recordset) {
    recordset.Edit();
    return PendingEdit(recordset);
}

PendingEdit PendingEdit::OfNewRecord(Recordset& recordset) {
    recordset.AddNew();
    return PendingEdit(recordset);
}

PendingEdit::~PendingEdit() {
    if (settled_) {
        return;
    }
    try {
        recordset_.CancelUpdate();
    } catch (...) {
        // Nothing more can be done from here, and the failure that ended the scope early is
        // the one worth reporting.
    }
}

void PendingEdit::Commit() {
    recordset_.Update();
    settled_ = true;
}

void PendingEdit::Cancel() {
    recordset_.CancelUpdate();
    settled_ = true;
}

}  // namespace tavix::store
