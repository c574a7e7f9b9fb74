#pragma once

#include <string>

namespace tavix::bench {

// The benchmarks' own throw-away PostgreSQL server (the tests' server code), started at first
// use and gone when the program ends. Unlike the tests' it is durable as a real server is
// (fsync and full-page writes on; every session of the store asks for synchronous commits) and
// takes up to 100 sessions, so that commits cost what they cost. Its data lies in a temporary
// folder on the same disk as the benchmarks' files.

// A new database with an empty readings table, as `tavix-admin init` makes it.
struct PostgresDatabase {
    std::string name;  // `name` with a number, new in this run
    std::string uri;
};
PostgresDatabase FreshPostgresReadings(const std::string& name);

// A database holding `count` readings as ReadingsFile describes them (reading i: id i, code
// CodeOfReading(i), quantity i, terminal "1"), built once per run and analysed: its URI.
const std::string& PostgresReadings(int count);
// The name of that database, made at first use as PostgresReadings makes it.
std::string PostgresReadingsName(int count);

// The Unix socket the server listens on, for a proxy in front of it.
std::string PostgresSocket();

// The key=value connection string of a database on that server, for raw libpq.
std::string PostgresConnInfo(const std::string& database);

}  // namespace tavix::bench
