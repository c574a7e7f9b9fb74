#pragma once

#include <string_view>

namespace tavix::store::sqlite {

class Connection;

// BEGIN IMMEDIATE ... COMMIT. Taking the write lock at the start means a read-then-write either
// waits (bounded by the busy timeout) before it reads, or fails before anything is changed;
// a deferred transaction could fail only at its first write. Rolled back unless committed.
class ImmediateTransaction {
  public:
    ImmediateTransaction(Connection& connection, std::string_view action);
    ImmediateTransaction(const ImmediateTransaction&) = delete;
    ImmediateTransaction& operator=(const ImmediateTransaction&) = delete;
    ~ImmediateTransaction();

    // Durable on disk when it returns (WAL with synchronous FULL). A failure names the action
    // the transaction began for, or the one given.
    void Commit() { Commit(action_); }
    void Commit(std::string_view action);
    void Rollback() noexcept;

  private:
    Connection* connection_;
    std::string_view action_;
    bool active_ = true;
};

}  // namespace tavix::store::sqlite
