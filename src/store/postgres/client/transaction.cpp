#include "store/postgres/client/transaction.hpp"

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/error.hpp"

namespace tavix::store::postgres {

Transaction::Transaction(Connection& connection, std::string_view action)
    : connection_(&connection), action_(action) {
    connection.Execute("BEGIN", action);
}

Transaction::~Transaction() {
    Rollback();
}

void Transaction::Commit() {
    active_ = false;  // whatever the answer, the transaction is over
    const Result result = connection_->Execute("COMMIT", action_);
    if (result.CommandStatus() != "COMMIT") {
        std::string message = connection_->MaskedTarget();
        message.append(": cannot ").append(action_);
        message.append(": an earlier statement of the transaction failed, nothing was stored");
        throw PostgresError(ErrorKind::kOther, false, message);
    }
}

void Transaction::Rollback() noexcept {
    if (!active_) {
        return;
    }
    active_ = false;
    if (!connection_->IsOpen()) {
        return;  // the server rolled it back when the connection went
    }
    try {
        connection_->Execute("ROLLBACK", action_);
    } catch (const PostgresError&) {
        // Nothing more to do: a failed ROLLBACK means the connection is gone (closed with it)
        // or the transaction had already ended, and either way nothing of it is kept.
    }
}

}  // namespace tavix::store::postgres
