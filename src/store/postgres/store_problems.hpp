#pragma once

#include <string>
#include <vector>

#include "store/postgres/client/connection.hpp"

namespace tavix::store::postgres {

// What is wrong with the readings table the connection sees (table, columns and their types,
// the identity and primary key, the reading_key column and the index readings_code), one
// sentence each, as `tavix-admin check` prints them; empty when it is as `tavix-admin init`
// creates it. Reads the catalogue only.
std::vector<std::string> SchemaProblems(Connection& connection);

}  // namespace tavix::store::postgres
