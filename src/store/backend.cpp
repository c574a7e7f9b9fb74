#include "store/backend.hpp"

#include "store/database_target.hpp"
#include "store/postgres/backend.hpp"
#include "store/sqlite/backend.hpp"

namespace tavix::store {

const Backend& BackendFor(std::string_view target) {
    static const postgres::Backend kPostgresServer;
    static const sqlite::Backend kSqliteFile;
    if (IsPostgresTarget(target)) {
        return kPostgresServer;
    }
    return kSqliteFile;
}

}  // namespace tavix::store
