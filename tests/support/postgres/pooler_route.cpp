#include "support/postgres/pooler_route.hpp"

#include <memory>
#include <stdexcept>

#include "store/postgres/client/connection.hpp"
#include "support/postgres/shared_server.hpp"

namespace tavix::testing {

namespace {

struct Pooler {
    std::unique_ptr<ThrowAwayPooler> pooler;
    std::string failure;
};

// A client of PgBouncer gets a process id of PgBouncer's making, not its server process's: the
// one sign a client has of a pooler between it and the server.
void ExpectPooled(const ThrowAwayPooler& pooler) {
    store::postgres::Connection probe(pooler.ConnInfo("postgres"));
    const std::string server_process(
        probe.Execute("SELECT pg_backend_pid()", "ask for the server process").Text(0, 0));
    if (server_process == std::to_string(probe.ServerProcessId())) {
        throw std::runtime_error("a connection through " + pooler.SocketFile() +
                                 " reaches the server directly, not through a pooler");
    }
}

}  // namespace

ThrowAwayPooler& SharedPooler() {
    // Made after the shared server, so destroyed, and stopped, before it.
    PostgresServer& server = SharedPostgresServer();
    static Pooler shared;
    if (shared.pooler == nullptr && shared.failure.empty()) {
        try {
            shared.pooler = std::make_unique<ThrowAwayPooler>(server);
            ExpectPooled(*shared.pooler);
        } catch (const std::exception& error) {
            shared.pooler.reset();
            shared.failure = error.what();
        }
    }
    if (shared.pooler == nullptr) {
        throw std::runtime_error(shared.failure);
    }
    return *shared.pooler;
}

}  // namespace tavix::testing
