#include "database_target.hpp"
#include "postgres_readings_source.hpp"
#include "readings_source.hpp"
#include "sqlite_readings_source.hpp"

namespace tavix::store {

std::unique_ptr<ReadingsSource> OpenReadingsSource(const std::string& target) {
    if (IsPostgresTarget(target)) {
        return std::make_unique<PostgresReadingsSource>(target);
    }
    return std::make_unique<SqliteReadingsSource>(target);
}

}  // namespace tavix::store
