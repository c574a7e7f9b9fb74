#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "store/core/store_table.hpp"

namespace tavix::store::postgres {

// A PostgreSQL server as a store, reached through a connection URI. busy_timeout bounds the
// wait for another session's lock.
std::shared_ptr<StoreDatabase> OpenStore(const std::string& target,
                                         std::chrono::milliseconds busy_timeout);

}  // namespace tavix::store::postgres
