#pragma once

#include <string_view>

namespace tavix::store::postgres {

class Connection;

// BEGIN ... COMMIT on one connection, rolled back unless committed.
class Transaction {
  public:
    Transaction(Connection& connection, std::string_view action);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    // Returns once the server has made the transaction durable (the connection's
    // synchronous_commit is on). Throws when the transaction did not commit, including when
    // one of its statements had failed before: the server then answers COMMIT with a silent
    // ROLLBACK. A failure with ConnectionLost() leaves it unknown whether the commit landed.
    void Commit();
    void Rollback() noexcept;

  private:
    Connection* connection_;
    std::string_view action_;
    bool active_ = true;
};

}  // namespace tavix::store::postgres
