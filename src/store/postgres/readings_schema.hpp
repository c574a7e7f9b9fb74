#pragma once

#include <string>

namespace tavix::store {

// The readings table on a PostgreSQL server, as `tavix-admin init` creates it. Lower-case
// unquoted names, so that the same query text runs on the SQLite file and on the server.
namespace postgres_readings {

inline constexpr const char* kTable = "readings";
// The key each new reading gets from the program before it is sent, so that after a connection
// lost during its commit the program can find out whether it was stored.
inline constexpr const char* kReadingKey = "reading_key";

}  // namespace postgres_readings

// Creates the readings table and its code index in the database target names. Refuses
// (StoreError) when a table readings exists already; never drops or alters anything.
void CreatePostgresReadings(const std::string& target);

}  // namespace tavix::store
