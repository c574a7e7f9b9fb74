#pragma once

#include <string>
#include <string_view>

#include "store/store_error.hpp"

namespace tavix::store::postgres {

// What kind of failure the server or the connection reported, so that a caller can choose
// what to do next (retry later, reconnect, tell the operator) without reading the message.
enum class ErrorKind {
    kBusy,            // a lock another session held, a deadlock, no free session on the server
    kReadOnly,        // the database refuses writes: a standby, or no permission to write
    kNoSuchTable,     // a table, column or function the statement names does not exist
    kCorrupt,         // the server found damaged data
    kStorage,         // the server could not write to its own disk (full, I/O error)
    kConnectionLost,  // the server could not be reached, or the connection went away
    kConstraint,      // a unique key, NOT NULL or check refused the change
    kTimedOut,        // the statement or the connection did not finish within its bounded wait
    kOther,
};

// Every failure of the PostgreSQL client. It is a StoreError, so code that handles the store's
// failures handles these too; the message reads "<target>: cannot <action>: <reason>" with
// the password of the target masked.
class PostgresError : public StoreError {
  public:
    PostgresError(ErrorKind kind, bool connection_lost, const std::string& message)
        : StoreError(message), kind_(kind), connection_lost_(connection_lost) {}

    ErrorKind Kind() const { return kind_; }
    // True when the connection is no longer usable after this failure: it has been closed, and
    // the caller may open it again (once) and repeat what it was doing. When the failure came
    // during a COMMIT, whether the transaction landed is unknown.
    bool ConnectionLost() const { return connection_lost_; }

  private:
    ErrorKind kind_;
    bool connection_lost_;
};

// The kind of a failure the server reported with this SQLSTATE.
ErrorKind KindOfSqlState(std::string_view sqlstate);

// The kind in words a person can act on, the reason part of a message.
std::string_view Reason(ErrorKind kind);

}  // namespace tavix::store::postgres
