#include "store/database_target.hpp"

#include "store/postgres/client/password_mask.hpp"

namespace tavix::store {

bool IsPostgresTarget(std::string_view target) {
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

std::string DisplayedTarget(std::string_view target) {
    return IsPostgresTarget(target) ? postgres::MaskPassword(target) : std::string(target);
}

}  // namespace tavix::store
