#include "support/postgres/streaming_standby.hpp"

#include <libpq-fe.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

namespace tavix::testing {

namespace {

using namespace std::chrono_literals;

constexpr auto kCatchUpLimit = 60s;

ServerSettings PrimarySettings() {
    ServerSettings settings;
    settings.synchronous_standby = true;
    return settings;
}

ServerSettings StandbySettings(const PostgresServer& primary) {
    ServerSettings settings;
    settings.standby_of = primary.Folder();
    return settings;
}

// The single value sql returns on server's database postgres; "" when it cannot be had.
std::string ValueOn(const PostgresServer& server, const char* sql) {
    const std::unique_ptr<PGconn, void (*)(PGconn*)> connection(
        PQconnectdb((server.ConnInfo("postgres") + " connect_timeout=5").c_str()), PQfinish);
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        return "";
    }
    const std::unique_ptr<PGresult, void (*)(PGresult*)> result(PQexec(connection.get(), sql),
                                                                 PQclear);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQntuples(result.get()) != 1) {
        return "";
    }
    return PQgetvalue(result.get(), 0, 0);
}

// Until sql returns expected on server, within kCatchUpLimit.
bool ComesToSay(const PostgresServer& server, const char* sql, const std::string& expected) {
    const auto deadline = std::chrono::steady_clock::now() + kCatchUpLimit;
    while (ValueOn(server, sql) != expected) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

}  // namespace

StreamingStandby::StreamingStandby()
    : primary_(PrimarySettings()), standby_(StandbySettings(primary_)) {
    // Until then every commit on the primary would wait for a standby.
    if (!ComesToSay(primary_, "SELECT count(*) FROM pg_stat_replication WHERE sync_state = 'sync'",
                    "1")) {
        throw std::runtime_error("the standby in " + standby_.Folder() +
                                 " did not become the synchronous standby of " +
                                 primary_.Folder());
    }
}

std::string StreamingStandby::Uri(std::string_view database) const {
    return "postgresql://" + std::string(kServerSuperuser) + "@/" + std::string(database) +
           "?host=" + primary_.Folder() + "," + standby_.Folder() +
           "&port=" + std::to_string(kServerPort) + "&target_session_attrs=read-write";
}

void StreamingStandby::Promote() {
    if (ValueOn(standby_, "SELECT pg_promote(true, 60)") != "t" ||
        !ComesToSay(standby_, "SELECT pg_is_in_recovery()", "f")) {
        throw std::runtime_error("the standby in " + standby_.Folder() + " was not promoted");
    }
}

}  // namespace tavix::testing
