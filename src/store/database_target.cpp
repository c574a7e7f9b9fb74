#include "store/database_target.hpp"

#include "store/backend.hpp"

namespace tavix::store {

bool IsPostgresTarget(std::string_view target) {
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

std::string DisplayedTarget(std::string_view target) {
    return BackendFor(target).DisplayedTarget(target);
}

}  // namespace tavix::store
