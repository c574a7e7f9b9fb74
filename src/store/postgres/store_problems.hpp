#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/postgres/client/connection.hpp"

namespace tavix::store::postgres {

// What is wrong with the readings table the connection sees (table, columns and their types,
// the identity and primary key, the reading_key column and the index readings_code), one
// sentence each, as `tavix-admin check` prints them; empty when it is as `tavix-admin init`
// creates it. Reads the catalogue only.
std::vector<std::string> SchemaProblems(Connection& connection);

// What forwarding from local files needs that the database lacks, each named as a sentence does
// ("the column source", "the table tavix_forwarding"); empty when it has it all, or when there
// is no readings table at all. Reads the catalogue only.
std::vector<std::string> MissingForForwarding(Connection& connection);

// The sentence that says what forwarding lacks and the command that adds it; nothing when it
// lacks nothing.
std::optional<std::string> ForwardingLack(Connection& connection);

// What a readings table made by an earlier `tavix-admin init` lacks for what it does not use
// yet (forwarding), with the command that adds it, one sentence each: notes rather than
// problems, since readings are stored and read as before.
std::vector<std::string> SchemaNotes(Connection& connection);

}  // namespace tavix::store::postgres
