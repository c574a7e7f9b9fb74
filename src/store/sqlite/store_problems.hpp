#pragma once

#include <string>
#include <vector>

#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// What the check finds wrong with an open file, one sentence each (see
// ReadingsSource::Problems): damage SQLite's integrity check reports, and a Readings table,
// column or index that is missing or not as `tavix-admin init` creates it.
std::vector<std::string> IntegrityProblems(Connection& connection);
std::vector<std::string> SchemaProblems(Connection& connection);

}  // namespace tavix::store::sqlite
