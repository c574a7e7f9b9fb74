#pragma once

#include <string>

namespace tavix::store::postgres {

// The readings table on a PostgreSQL server, as `tavix-admin init` creates it. Lower-case
// unquoted names, so that the same query text runs on the SQLite file and on the server.
inline constexpr const char* kReadingsTable = "readings";
// The key each new reading gets from the program before it is sent, so that after a connection
// lost during its commit the program can find out whether it was stored.
inline constexpr const char* kReadingKeyColumn = "reading_key";
// Where a forwarded reading came from: the local file's own key and the reading's row id in
// it; both NULL for a reading stored straight into the server.
inline constexpr const char* kSourceColumn = "source";
inline constexpr const char* kSourceIdColumn = "source_id";
// Per local file that forwards into the database, the last of its changes applied, recorded in
// the same transaction as the changes.
inline constexpr const char* kForwardingTable = "tavix_forwarding";

inline constexpr const char* kReadingKeyDefinition =
    "uuid NOT NULL DEFAULT gen_random_uuid() UNIQUE";
inline constexpr const char* kSourceDefinition = "uuid";
inline constexpr const char* kSourceIdDefinition = "bigint";
inline constexpr const char* kCreateForwardingTable = R"sql(
CREATE TABLE tavix_forwarding (
    source uuid PRIMARY KEY,
    last_change bigint NOT NULL,
    origin text,
    updated timestamptz NOT NULL DEFAULT now()
))sql";

// Creates the readings table, its code index and the forwarding table in the database target
// names. Refuses (StoreError) when a table readings exists already; never drops or alters
// anything.
void CreateReadingsTable(const std::string& target);

}  // namespace tavix::store::postgres
