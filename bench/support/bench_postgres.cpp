#include "support/bench_postgres.hpp"

#include <chrono>
#include <map>

#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "support/postgres/postgres_server.hpp"

namespace tavix::bench {

namespace {

using namespace std::chrono_literals;

testing::PostgresServer& Server() {
    static testing::PostgresServer server([] {
        testing::ServerSettings settings;
        settings.durable = true;
        settings.max_connections = 100;
        settings.shared_buffers = "256MB";
        return settings;
    }());
    return server;
}

// Filling and analysing a million readings takes far longer than the store's bounded waits.
store::postgres::Connection Administrator(const std::string& database) {
    return store::postgres::Connection(Server().ConnInfo(database),
                                       store::postgres::Timeouts{10s, 30min, 10s, 10s});
}

std::string NewDatabase(const std::string& name) {
    Administrator("postgres").ExecuteAlone("CREATE DATABASE " + name, "create a database");
    const std::string uri = Server().Uri(name);
    store::CreateReadingsDatabase(uri);
    return uri;
}

std::string ReadingsName(int count) {
    return "readings_" + std::to_string(count);
}

}  // namespace

PostgresDatabase FreshPostgresReadings(const std::string& name) {
    static int made = 0;
    const std::string numbered = name + "_" + std::to_string(++made);
    return {numbered, NewDatabase(numbered)};
}

const std::string& PostgresReadings(int count) {
    static std::map<int, std::string> databases;
    if (const auto found = databases.find(count); found != databases.end()) {
        return found->second;
    }
    const std::string name = ReadingsName(count);
    const std::string uri = NewDatabase(name);
    store::postgres::Connection administrator = Administrator(name);
    // The codes of CodeOfReading: "C" and six digits of (i * 7919) mod 100,000.
    administrator.Execute(
        "INSERT INTO readings (code, qt, terminal, datetime) "
        "SELECT 'C' || lpad(((i::bigint * 7919) % 100000)::text, 6, '0'), i, '1', "
        "'2026-12-06 07:05:09' FROM generate_series(1, $1::int) AS i",
        {std::to_string(count)}, "fill the readings");
    administrator.ExecuteAlone("VACUUM (ANALYZE) readings", "analyse the readings");
    return databases.emplace(count, uri).first->second;
}

std::string PostgresReadingsName(int count) {
    PostgresReadings(count);
    return ReadingsName(count);
}

std::string PostgresSocket() {
    return Server().SocketPath();
}

std::string PostgresConnInfo(const std::string& database) {
    return Server().ConnInfo(database);
}

}  // namespace tavix::bench
