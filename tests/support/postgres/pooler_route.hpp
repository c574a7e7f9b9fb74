#pragma once

#include "support/postgres/throwaway_pooler.hpp"

namespace tavix::testing {

// The route of TAVIX_TEST_SERVER_ROUTE=pooler: the server's tests run once more with their
// connections through a throw-away PgBouncer in transaction mode in front of the shared server.
inline constexpr const char* kPoolerRoute = "pooler";

// The pooler of the test program, started at its first use in front of the shared server, and
// stopped before it. Throws std::runtime_error when it cannot start, or when a connection made
// through it reaches a server process directly (the route would prove nothing); every later
// call throws the same without trying again.
ThrowAwayPooler& SharedPooler();

}  // namespace tavix::testing
