#pragma once

#include "store/postgres/connection.hpp"

namespace tavix::testing {

// Creates the readings table and its index in the database the connection is on, exactly as
// `tavix-admin init URI` is to create them: the one place the tests make a PostgreSQL store.
void CreateReadingsTable(store::postgres::Connection& connection);

}  // namespace tavix::testing
