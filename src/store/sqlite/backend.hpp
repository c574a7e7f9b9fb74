#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "store/core/store_table.hpp"

namespace tavix::store::sqlite {

// The SQLite file at path as a store. busy_timeout bounds the wait for another program's lock.
std::shared_ptr<StoreDatabase> OpenStore(const std::string& path,
                                         std::chrono::milliseconds busy_timeout);

}  // namespace tavix::store::sqlite
