#include "support/postgres/shared_server.hpp"

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/error.hpp"
#include "support/postgres/pooler_route.hpp"
#include "support/postgres/tls_route.hpp"

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

std::string UniqueDatabaseName() {
    static int created = 0;
    return "test_" + std::to_string(::getpid()) + "_" + std::to_string(++created);
}

}  // namespace

// A route not known is a mistake in the run, not a reason to run another way.
Route RouteInUse() {
    const char* route = std::getenv("TAVIX_TEST_SERVER_ROUTE");
    const std::string chosen = route == nullptr ? "" : route;
    if (chosen.empty() || chosen == "socket") {
        return Route::kSocket;
    }
    if (chosen == "tls") {
        return Route::kTls;
    }
    if (chosen == kPoolerRoute) {
        return Route::kPooler;
    }
    throw std::runtime_error("TAVIX_TEST_SERVER_ROUTE=" + chosen + ": no such route");
}

PostgresServer& SharedPostgresServer() {
    SharedServer& shared = Shared();
    if (shared.server == nullptr && shared.failure.empty()) {
        try {
            ServerSettings settings;
            settings.tls = true;
            shared.server = std::make_unique<PostgresServer>(settings);
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
    switch (RouteInUse()) {
        case Route::kTls:
            return TlsConnInfo(*server_, name_);
        case Route::kPooler:
            return SharedPooler().ConnInfo(name_);
        case Route::kSocket:
            break;
    }
    return server_->ConnInfo(name_);
}

std::string FreshDatabase::Uri() const {
    switch (RouteInUse()) {
        case Route::kTls:
            return TlsUri(*server_, name_);
        case Route::kPooler:
            return SharedPooler().Uri(name_);
        case Route::kSocket:
            break;
    }
    return server_->Uri(name_);
}

std::string RoutedSocketFile() {
    return RouteInUse() == Route::kPooler ? SharedPooler().SocketFile()
                                          : SharedPostgresServer().SocketPath();
}

}  // namespace tavix::testing
