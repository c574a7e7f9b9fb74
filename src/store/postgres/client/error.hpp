#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "store/store_error.hpp"

namespace tavix::store::postgres {

// The store's kinds of failure (store_error.hpp): one set for every kind of store.
using store::ErrorKind;

// Every failure of the PostgreSQL client. It is a StoreError, so code that handles the store's
// failures handles these too; the message reads "<target>: cannot <action>: <reason>" with
// the password of the target masked.
class PostgresError : public StoreError {
  public:
    PostgresError(ErrorKind kind, bool connection_lost, const std::string& message,
                  std::string sqlstate = {})
        : StoreError(message, kind, connection_lost || MayPass(kind)),
          connection_lost_(connection_lost),
          sqlstate_(std::move(sqlstate)) {}

    // True when the connection is no longer usable after this failure: it has been closed, and
    // the caller may open it again (once) and repeat what it was doing. When the failure came
    // during a COMMIT, whether the transaction landed is unknown.
    bool ConnectionLost() const { return connection_lost_; }

    // The server's SQLSTATE for a failure the server reported ("23505"); empty for one the client
    // met (a lost connection, a timeout).
    const std::string& SqlState() const { return sqlstate_; }

  private:
    // A server out of reach, busy or slow may well answer the next try.
    static bool MayPass(ErrorKind kind) {
        return kind == ErrorKind::kBusy || kind == ErrorKind::kTimedOut ||
               kind == ErrorKind::kConnectionLost || kind == ErrorKind::kIo;
    }

    bool connection_lost_;
    std::string sqlstate_;
};

// The kind of a failure the server reported with this SQLSTATE.
ErrorKind KindOfSqlState(std::string_view sqlstate);

// The kind in words a person can act on, the reason part of a message.
std::string_view Reason(ErrorKind kind);

}  // namespace tavix::store::postgres
