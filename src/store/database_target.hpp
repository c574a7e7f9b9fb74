#pragma once

#include <string>
#include <string_view>

namespace tavix::store {

// A database target names a store: a PostgreSQL connection URI ("postgresql://..." or
// "postgres://...", as libpq reads it, Unix-socket hosts such as
// "postgresql:///tavix?host=/run/postgresql" included), or else the path of an SQLite file.
bool IsPostgresTarget(std::string_view target);

// The environment variable that names the store when the command line names none, and the
// store when nothing names one: this file in the folder of the executable (the whole order is
// ChooseDatabaseTarget's, chosen_database_target.hpp).
inline constexpr const char* kDatabaseVariable = "TAVIX_DATABASE";
inline constexpr const char* kDefaultDatabaseFile = "tavix.mdb";

// The target as messages and screens may show it: a URI with its password masked.
std::string DisplayedTarget(std::string_view target);

}  // namespace tavix::store
