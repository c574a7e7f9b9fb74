#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_error.hpp"

namespace tavix::store {

// Throws StoreError "<store>: cannot <action>: <reason>", the one shape every failure of the
// store takes, so that a person sees which file or server, what failed and why.
[[noreturn]] void Fail(const std::string& store, std::string_view action, std::string_view reason,
                       ErrorKind kind = ErrorKind::kOther);

// The same for a failure that passes once someone has acted, such as a file not created yet:
// the objects that met it try again on their next use (StoreError::MayPass).
[[noreturn]] void FailForNow(const std::string& store, std::string_view action,
                             std::string_view reason, ErrorKind kind);

// The same as a TransientStoreError.
[[noreturn]] void FailTransiently(const std::string& store, std::string_view action,
                                  std::string_view reason, TransientStoreError::Cause cause);

// The refusals of a copy into a store that every kind of store gives, so they read the same.
[[noreturn]] void RefuseUninitialisedStore(const std::string& name,
                                           const std::vector<std::string>& problems);
[[noreturn]] void RefuseStoreWithReadings(const std::string& name, std::int64_t readings);

}  // namespace tavix::store
