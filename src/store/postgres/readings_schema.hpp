#pragma once

#include <string>

namespace tavix::store::postgres {

// The readings table on a PostgreSQL server, as `tavix-admin init` creates it. Lower-case
// unquoted names, so that the same query text runs on the SQLite file and on the server.
inline constexpr const char* kReadingsTable = "readings";
// The key each new reading gets from the program before it is sent, so that after a connection
// lost during its commit the program can find out whether it was stored.
inline constexpr const char* kReadingKeyColumn = "reading_key";

// Creates the readings table and its code index in the database target names. Refuses
// (StoreError) when a table readings exists already; never drops or alters anything.
void CreateReadingsTable(const std::string& target);

}  // namespace tavix::store::postgres
