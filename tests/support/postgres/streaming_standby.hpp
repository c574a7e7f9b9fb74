#pragma once

#include <string>
#include <string_view>

#include "support/postgres/postgres_server.hpp"

namespace tavix::testing {

// A throw-away primary and a streaming standby of its own, as a site that must not stop for a
// server fault runs them: the standby is a copy of the primary (pg_basebackup -R) on a socket of
// its own, and the primary's commits wait until the standby has them (synchronous replication),
// so a commit the primary confirmed survives the primary's loss. Both go however the test ends.
class StreamingStandby {
  public:
    // Returns once the primary counts the standby as its synchronous one; throws
    // std::runtime_error when either server cannot start or the standby does not catch up.
    StreamingStandby();

    PostgresServer& Primary() { return primary_; }
    PostgresServer& Standby() { return standby_; }

    // Both servers in one URI, the primary first, for sessions that may write: libpq takes the
    // first that accepts connections and is not read-only.
    std::string Uri(std::string_view database) const;

    // From now on the primary's commits wait, as when its standby falls behind: each is written
    // on the primary, streamed, and not confirmed to its client. Throws std::runtime_error when
    // the primary does not take the setting.
    void HoldCommits();
    // Whether a commit waits so; false when the primary cannot be asked.
    bool CommitWaits() const;

    // Makes the standby a primary (pg_promote) and returns once it takes writes; throws
    // std::runtime_error when it does not.
    void Promote();

  private:
    void SetSynchronousStandby(const std::string& names);

    PostgresServer primary_;
    PostgresServer standby_;
};

}  // namespace tavix::testing
