#pragma once

#include <cstdint>
#include <string>

namespace tavix::store {

// One value exactly as a store holds it, whatever type its column declares: SQLite lets any
// column hold a number or a text. A stored blob comes as a text of its bytes.
struct StoredField {
    enum class Kind { kNull, kInteger, kReal, kText };

    Kind kind = Kind::kNull;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;  // the stored bytes, not checked for valid UTF-8
};

}  // namespace tavix::store
