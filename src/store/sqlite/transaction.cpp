#include "store/sqlite/transaction.hpp"

#include "store/sqlite/connection.hpp"
#include "store/store_error.hpp"

namespace tavix::store::sqlite {

ImmediateTransaction::ImmediateTransaction(Connection& connection, std::string_view action)
    : connection_(&connection), action_(action) {
    connection.PrepareToWrite(action);
    connection.BeginWriteTransaction(action);
}

ImmediateTransaction::~ImmediateTransaction() {
    Rollback();
}

void ImmediateTransaction::Commit(std::string_view action) {
    try {
        // The commit is the write: nothing has reached the file before it.
        connection_->CheckStillNamed(action);
        connection_->Execute("COMMIT", action);
        active_ = false;
        connection_->EndWriterTurn();
    } catch (const StoreError&) {
        Rollback();
        throw;
    }
}

void ImmediateTransaction::Rollback() noexcept {
    if (!active_) {
        return;
    }
    active_ = false;
    try {
        if (connection_->IsOpen()) {
            connection_->Execute("ROLLBACK", action_);
        }
    } catch (const StoreError&) {
        // The transaction is gone either way: SQLite has already rolled it back after the
        // failure that brings us here, or the connection was closed under it.
    }
    connection_->EndWriterTurn();
}

}  // namespace tavix::store::sqlite
