#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "store/timestamp.hpp"

namespace tavix::store {

// A field's value as written and read: missing (null), a whole number, a floating-point
// number, a text or a date and time.
using Value = std::variant<std::monostate, std::int64_t, double, std::string, Timestamp>;

inline bool IsNull(const Value& value) {
    return std::holds_alternative<std::monostate>(value);
}

}  // namespace tavix::store
