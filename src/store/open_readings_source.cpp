#include <string_view>

#include "readings_source.hpp"
#include "sqlite_readings_source.hpp"
#include "store_error.hpp"

namespace tavix::store {

namespace {

bool IsPostgresUri(std::string_view target) {
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

}  // namespace

std::unique_ptr<ReadingsSource> OpenReadingsSource(const std::string& target) {
    if (IsPostgresUri(target)) {
        // Not repeated in the message: a URI may hold a password.
        throw StoreError("the store is a PostgreSQL URI, and this build reads SQLite files only");
    }
    return std::make_unique<SqliteReadingsSource>(target);
}

}  // namespace tavix::store
