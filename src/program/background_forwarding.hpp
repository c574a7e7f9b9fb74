#pragma once

#include <string>

namespace tavix::program {

// The program's forwarding children (forwarding_child.hpp), one at most: for a database file
// with a server to forward to, the file's forwarder; for a store on a server with a spool,
// the spool's. Started at start-up, before the console is taken and the store opened; a
// failure to start one is logged and the program goes on without it.
void StartBackgroundForwarding(const std::string& database, const std::string& forward,
                               const std::string& spool);

// After a reading was kept in the spool: wakes the spool's forwarder, never waiting for it. A
// forwarder that is gone is logged, once: the reading waits in the spool for the next
// session on the server, or tavix-admin forward.
void WakeSpoolForwarding();

// Ends the children (SIGTERM), without waiting for anything they were sending.
void EndBackgroundForwarding();

}  // namespace tavix::program
