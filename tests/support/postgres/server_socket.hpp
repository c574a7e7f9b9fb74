#pragma once

#include <string>
#include <string_view>

namespace tavix::testing {

// What a proxy in front of the throw-away server needs of sockets.

// A new connection to the server's socket file (".../.s.PGSQL.5432"); -1 when it cannot be made.
int ConnectToServerSocket(const std::string& socket_path);

// A listening TCP socket on 127.0.0.1 only, on a free port, which is stored in port. Throws
// std::runtime_error naming who when it cannot listen.
int ListenOnLoopback(int& port, const std::string& who);

// Sends every byte, without SIGPIPE; false when the other side has gone.
bool SendAll(int fd, std::string_view bytes);

}  // namespace tavix::testing
