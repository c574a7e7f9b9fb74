#pragma once

#include <string>

#include "support/postgres/postgres_server.hpp"

namespace tavix::testing {

// The server every PostgreSQL test of one test program shares. Starting a server takes seconds
// (initdb above all), so a program starts one, at its first use, and runs all its tests in
// that one process (CTest runs such a program as a single test rather than a process per test
// case; see tests/CMakeLists.txt). It stops when the program ends, and its supervisor stops it
// when the program dies. Each test gets a database of its own on it (FreshDatabase).
//
// It takes TLS on 127.0.0.1 besides its socket, so that every run can try a certificate.
// Throws std::runtime_error when the server cannot start; every later call throws the same
// without trying again, so each test fails at once with the reason.
PostgresServer& SharedPostgresServer();

// The route FreshDatabase's connection texts take to the server, as TAVIX_TEST_SERVER_ROUTE
// says: unset or "socket", its Unix socket; "tls", TCP with the certificate verified
// (tls_route.hpp); "pooler", through a throw-away PgBouncer (pooler_route.hpp). Throws
// std::runtime_error for any other.
enum class Route { kSocket, kTls, kPooler };
Route RouteInUse();

// The socket file the tests' connections go to on the route in use (TAVIX_TEST_SERVER_ROUTE),
// for a proxy to stand in front of.
std::string RoutedSocketFile();

// A new, empty database on the shared server, under a name no other test uses, dropped when the
// object goes; so tests never see each other's tables.
class FreshDatabase {
  public:
    FreshDatabase();
    FreshDatabase(const FreshDatabase&) = delete;
    FreshDatabase& operator=(const FreshDatabase&) = delete;
    ~FreshDatabase();

    const std::string& Name() const { return name_; }
    // As a key=value string and as a URI, for the server's superuser, on the route in use.
    std::string ConnInfo() const;
    std::string Uri() const;

  private:
    PostgresServer* server_;
    std::string name_;
};

}  // namespace tavix::testing
