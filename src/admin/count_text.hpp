#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavix::admin {

// "1 reading", "3 readings": the count and the noun, made plural by an s unless it is one.
std::string CountText(std::int64_t count, std::string_view noun);

}  // namespace tavix::admin
