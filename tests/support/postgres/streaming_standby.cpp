#include "support/postgres/streaming_standby.hpp"

#include <libpq-fe.h>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <thread>

namespace tavix::testing {

namespace {

using namespace std::chrono_literals;

constexpr auto kCatchUpLimit = 60s;

ServerSettings StandbySettings(const PostgresServer& primary) {
    ServerSettings settings;
    settings.standby_of = primary.Folder();
    return settings;
}

// The value of a query that returns one, "" otherwise.
std::string SingleValue(PGresult* result) {
    if (PQresultStatus(result) != PGRES_TUPLES_OK || PQntuples(result) != 1) {
        return "";
    }
    return PQgetvalue(result, 0, 0);
}

// The single value the last of statements returns on server's database postgres, each run on
// its own; "" when it cannot be had.
std::string ValueOn(const PostgresServer& server, std::initializer_list<const char*> statements) {
    const std::unique_ptr<PGconn, void (*)(PGconn*)> connection(
        PQconnectdb((server.ConnInfo("postgres") + " connect_timeout=5").c_str()), PQfinish);
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        return "";
    }
    std::string value;
    for (const char* sql : statements) {
        const std::unique_ptr<PGresult, void (*)(PGresult*)> result(PQexec(connection.get(), sql),
                                                                    PQclear);
        value = SingleValue(result.get());
    }
    return value;
}

// Until sql returns expected on server, within kCatchUpLimit.
bool ComesToSay(const PostgresServer& server, const char* sql, const std::string& expected) {
    const auto deadline = std::chrono::steady_clock::now() + kCatchUpLimit;
    while (ValueOn(server, {sql}) != expected) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

}  // namespace

StreamingStandby::StreamingStandby() : standby_(StandbySettings(primary_)) {
    // Set once the standby runs, or every commit before would wait for it; and after the copy,
    // so that the standby, once promoted, waits for none.
    SetSynchronousStandby("*");
    if (!ComesToSay(primary_, "SELECT count(*) FROM pg_stat_replication WHERE sync_state = 'sync'",
                    "1")) {
        throw std::runtime_error("the standby in " + standby_.Folder() +
                                 " did not become the synchronous standby of " + primary_.Folder());
    }
}

std::string StreamingStandby::Uri(std::string_view database) const {
    return "postgresql://" + std::string(kServerSuperuser) + "@/" + std::string(database) +
           "?host=" + primary_.Folder() + "," + standby_.Folder() +
           "&port=" + std::to_string(kServerPort) + "&target_session_attrs=read-write";
}

void StreamingStandby::Promote() {
    if (ValueOn(standby_, {"SELECT pg_promote(true, 60)"}) != "t" ||
        !ComesToSay(standby_, "SELECT pg_is_in_recovery()", "f")) {
        throw std::runtime_error("the standby in " + standby_.Folder() + " was not promoted");
    }
}

void StreamingStandby::HoldCommits() {
    SetSynchronousStandby("nobody");  // a name no standby has
}

void StreamingStandby::SetSynchronousStandby(const std::string& names) {
    const std::string set = "ALTER SYSTEM SET synchronous_standby_names = '" + names + "'";
    if (ValueOn(primary_, {set.c_str(), "SELECT pg_reload_conf()"}) != "t" ||
        !ComesToSay(primary_, "SHOW synchronous_standby_names", names)) {
        throw std::runtime_error("the primary in " + primary_.Folder() +
                                 " does not take synchronous_standby_names " + names);
    }
}

bool StreamingStandby::CommitWaits() const {
    return ValueOn(primary_, {"SELECT count(*) > 0 FROM pg_stat_activity "
                              "WHERE wait_event = 'SyncRep'"}) == "t";
}

}  // namespace tavix::testing
