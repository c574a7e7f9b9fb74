#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "support/postgres/postgres_server.hpp"

namespace tavix::testing {

// A throw-away PgBouncer in front of a throw-away server, as a site puts one between its
// terminals and its server: transaction pooling with a pool small enough that a client's
// transactions really run on server connections other clients use too, any database of the
// server by its name, trust authentication, and a Unix socket only, in a folder of its own inside
// the server's (removed with it however the test ends).
//
// It runs as a child of the test (as kUnprivilegedUser under root, which it refuses to run as),
// which the kernel ends when the test's process ends, a crash or SIGKILL included. Throws
// std::runtime_error, with PgBouncer's own words, when it cannot start; when the program is
// missing the message names the Debian package.
class ThrowAwayPooler {
  public:
    explicit ThrowAwayPooler(const PostgresServer& server);
    ThrowAwayPooler(const ThrowAwayPooler&) = delete;
    ThrowAwayPooler& operator=(const ThrowAwayPooler&) = delete;
    ~ThrowAwayPooler();

    // The socket file clients connect to (".../.s.PGSQL.<port>").
    std::string SocketFile() const;
    // Connecting as the server's superuser to database through the pooler, as a key=value
    // string and as a URI.
    std::string ConnInfo(std::string_view database) const;
    std::string Uri(std::string_view database) const;

  private:
    void WriteSettings(const PostgresServer& server) const;
    void Start();
    void AwaitReady();
    void Stop() noexcept;

    std::string folder_;
    pid_t pooler_ = -1;
};

}  // namespace tavix::testing
