#include "store/postgres/readings_source.hpp"

#include "store/database_target.hpp"
#include "store/readings_source.hpp"
#include "store/sqlite/readings_source.hpp"

namespace tavix::store {

std::unique_ptr<ReadingsSource> OpenReadingsSource(const std::string& target) {
    if (IsPostgresTarget(target)) {
        return std::make_unique<postgres::ReadingsSource>(target);
    }
    return std::make_unique<sqlite::ReadingsSource>(target);
}

}  // namespace tavix::store
