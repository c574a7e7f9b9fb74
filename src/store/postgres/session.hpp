#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/error.hpp"
#include "store/reading_keeper.hpp"

namespace tavix::store::postgres {

// The store's connection to a PostgreSQL server, shared by the recordsets of one database.
//
// It connects at its first use, not before: a server down when the program starts is no
// failure until something is asked of it, and once the server is back the next operation
// connects. A connection the server ended between two operations (a restart, an
// administrator's pg_terminate_backend) is noticed before the next statement is sent and made
// again; a connection lost during an operation that may be repeated is made again once, and
// the operation repeated. Every wait is bounded (postgres::Timeouts).
class Session {
  public:
    // keeper: where a new reading waits when whether the server stored it cannot be found out
    // (see record_writes.hpp); none to report such a reading not stored.
    Session(std::string target, postgres::Timeouts timeouts,
            std::shared_ptr<ReadingKeeper> keeper = nullptr);

    // The target with its password masked.
    const std::string& Name() const { return masked_target_; }
    bool IsConnected() const { return connection_ && connection_->IsOpen(); }
    bool IsClosed() const { return closed_; }
    ReadingKeeper* Keeper() const { return keeper_.get(); }
    // Counts the connections made, so that a hold taken on one is not used on another.
    std::uint64_t Generation() const { return generation_; }

    // Connects unless connected; throws StoreError when the server cannot be reached.
    void Connect(std::string_view action);

    // Runs op(connection) for action, connecting first when needed. When op fails because the
    // connection was lost, and this call has not connected yet, it connects once more and runs
    // op again: op must be harmless to repeat (a read, or a change the server would refuse to
    // make twice).
    template <typename Operation>
    auto Run(std::string_view action, Operation op) {
        const bool connected_now = PrepareConnection(action);
        try {
            return op(*connection_);
        } catch (const postgres::PostgresError& error) {
            if (connected_now || !Repeatable(error)) {
                throw;
            }
        }
        Reconnect();
        return op(*connection_);
    }

    // Runs op(connection) once, connecting first when needed: for a statement whose outcome is
    // unknown when the connection is lost during it (a COMMIT).
    template <typename Operation>
    auto RunOnce(std::string_view action, Operation op) {
        PrepareConnection(action);
        return op(*connection_);
    }

    // The connection an operation in progress runs on (after Run or RunOnce).
    postgres::Connection& Current() { return *connection_; }

    // After the connection was lost with a commit in flight: connects again, for looking up by
    // its key what became of the change. Nothing is asked of the lost connection's server
    // process: behind a pooler, the server connection it ran on serves other clients by now.
    // Throws StoreError when the server cannot be reached within the bounded waits.
    postgres::Connection& ReconnectAfterLoss(std::string_view action);

    void Close() noexcept;

  private:
    // Fails once closed; connects when there is no usable connection. True when it connected.
    bool PrepareConnection(std::string_view action);
    void Reconnect();
    static bool Repeatable(const postgres::PostgresError& error);

    std::string target_;
    std::string masked_target_;
    postgres::Timeouts timeouts_;
    std::shared_ptr<ReadingKeeper> keeper_;
    std::optional<postgres::Connection> connection_;
    std::uint64_t generation_ = 0;
    bool closed_ = false;
};

}  // namespace tavix::store::postgres
