#pragma once

namespace tavix::testing {

// Removes the environment variables that choose the program's store and log (TAVIX_DATABASE,
// TAVIX_LOG) from the test process, and so from every program it starts, and points
// TAVIX_CONFIG at /dev/null, which sets nothing: a test never reaches the store, the log or the
// system-wide settings of whoever runs it. A test that needs them sets them itself. So go
// TAVIX_FORWARD and TAVIX_SPOOL, the server to forward to and the spool.
void ClearProgramEnvironment();

}  // namespace tavix::testing
