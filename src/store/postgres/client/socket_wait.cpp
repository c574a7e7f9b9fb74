#include "store/postgres/client/socket_wait.hpp"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace tavix::store::postgres {

SocketWait WaitForSocket(int socket, bool for_writing, Clock::time_point deadline) {
    // Reading is watched while writing too: the server may answer (with an error) before it has
    // taken everything, and libpq must read that to make room.
    pollfd watched{socket, static_cast<short>(POLLIN | (for_writing ? POLLOUT : 0)), 0};
    while (true) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return SocketWait::kDeadlinePassed;
        }
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (ready > 0) {
            return SocketWait::kReady;
        }
        if (ready < 0 && errno != EINTR) {
            // A socket poll() cannot watch: let libpq try it and report what is wrong.
            return SocketWait::kReady;
        }
    }
}

}  // namespace tavix::store::postgres
