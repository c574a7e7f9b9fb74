#include "store/postgres/readings_sink.hpp"

#include "store/database_target.hpp"
#include "store/readings_sink.hpp"
#include "store/sqlite/readings_sink.hpp"

namespace tavix::store {

std::unique_ptr<ReadingsSink> OpenReadingsSink(const std::string& target) {
    if (IsPostgresTarget(target)) {
        return std::make_unique<postgres::ReadingsSink>(target);
    }
    return std::make_unique<sqlite::ReadingsSink>(target);
}

}  // namespace tavix::store
