#pragma once

#include "store/postgres/client/timeouts.hpp"

namespace tavix::store::postgres {

enum class SocketWait { kReady, kDeadlinePassed };

// Waits until the socket has something to read (or, when asked, room to write) or until the
// deadline. A signal that interrupts the wait does not end it early.
SocketWait WaitForSocket(int socket, bool for_writing, Clock::time_point deadline);

}  // namespace tavix::store::postgres
