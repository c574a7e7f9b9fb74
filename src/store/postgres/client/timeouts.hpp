#pragma once

#include <chrono>

namespace tavix::store::postgres {

using Clock = std::chrono::steady_clock;

// How long a connection waits for the server, so that no operation waits forever: a hung
// server, a lock another session never lets go or a dead network end in a failure the caller
// can report, and the screen answers keys again.
struct Timeouts {
    // Opening a connection: reaching the server and authenticating.
    // The name lookup of a host name is the system resolver's and bounded by its own timeouts;
    // a Unix socket or an address (hostaddr) needs none.
    std::chrono::milliseconds connect{5000};
    // One statement: the server itself cancels it after this long (the session's
    // statement_timeout, which also covers waiting for another session's lock), and the call
    // fails with ErrorKind::kTimedOut; the connection stays usable.
    std::chrono::milliseconds statement{5000};
    // When the server's answer has not come this much later still (the server or the network
    // hangs, or the work of a COMMIT, which the server's timeout does not cover, runs on), the
    // connection is closed and the call fails with kTimedOut and ConnectionLost(). The server
    // notices the closed connection within a second (client_connection_check_interval) and
    // abandons the statement; a COMMIT abandoned so may still have landed just before.
    std::chrono::milliseconds answer_grace{1000};
    // Waiting for a lock another session holds (the session's lock_timeout): the statement then
    // fails with ErrorKind::kBusy, the connection stays usable. Beyond statement it is moot.
    std::chrono::milliseconds lock{5000};
};

}  // namespace tavix::store::postgres
