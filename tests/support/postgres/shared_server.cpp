#include "support/postgres/shared_server.hpp"

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/error.hpp"
#include "support/postgres/pooler_route.hpp"

namespace tavix::testing {

namespace {

using store::postgres::Connection;

struct SharedServer {
    std::unique_ptr<PostgresServer> server;
    std::string failure;
};

SharedServer& Shared() {
    static SharedServer shared;  // destroyed, and so stopped, when the program ends
    return shared;
}

// TAVIX_TEST_SERVER_ROUTE: unset or "socket", straight to the server's socket; "pooler",
// through a throw-away PgBouncer (pooler_route.hpp).
bool RoutedThroughPooler() {
    const char* route = std::getenv("TAVIX_TEST_SERVER_ROUTE");
    return route != nullptr && std::string_view(route) == kPoolerRoute;
}

std::string UniqueDatabaseName() {
    static int created = 0;
    return "test_" + std::to_string(::getpid()) + "_" + std::to_string(++created);
}

}  // namespace

PostgresServer& SharedPostgresServer() {
    SharedServer& shared = Shared();
    if (shared.server == nullptr && shared.failure.empty()) {
        try {
            shared.server = std::make_unique<PostgresServer>();
        } catch (const std::exception& error) {
            shared.failure = error.what();
        }
    }
    if (shared.server == nullptr) {
        throw std::runtime_error(shared.failure);
    }
    return *shared.server;
}

FreshDatabase::FreshDatabase() : server_(&SharedPostgresServer()), name_(UniqueDatabaseName()) {
    Connection administrator(server_->ConnInfo("postgres"));
    administrator.ExecuteAlone("CREATE DATABASE " + name_, "create a database for the test");
}

FreshDatabase::~FreshDatabase() {
    try {
        Connection administrator(server_->ConnInfo("postgres"));
        administrator.ExecuteAlone("DROP DATABASE " + name_ + " WITH (FORCE)", "drop the database");
    } catch (const store::postgres::PostgresError&) {
        // Left for the server's end, which removes everything.
    }
}

std::string FreshDatabase::ConnInfo() const {
    return RoutedThroughPooler() ? SharedPooler().ConnInfo(name_) : server_->ConnInfo(name_);
}

std::string FreshDatabase::Uri() const {
    return RoutedThroughPooler() ? SharedPooler().Uri(name_) : server_->Uri(name_);
}

std::string RoutedSocketFile() {
    return RoutedThroughPooler()
               ? SharedPooler().SocketFile()
               : SharedPostgresServer().Folder() + "/.s.PGSQL." + std::to_string(kServerPort);
}

}  // namespace tavix::testing
