#pragma once

#include <string>
#include <string_view>

#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// One use of a prepared statement. Resetting it when the use ends releases the read snapshot,
// which would otherwise keep the WAL from being checkpointed and hide other programs' writes.
class Query {
  public:
    Query(Connection& connection, const std::string& sql, std::string_view action)
        : statement_(connection.Prepared(sql)), action_(action) {}
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    ~Query() { statement_.Reset(); }

    Statement& operator*() { return statement_; }
    Statement* operator->() { return &statement_; }
    bool Step() { return statement_.Step(action_); }

  private:
    Statement& statement_;
    std::string_view action_;
};

}  // namespace tavix::store::sqlite
