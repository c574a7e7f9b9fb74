#pragma once

#include <cstdint>
#include <string>

namespace tavix::admin {

// A whole number in its digits. A double is written by store::AppendNumber (store/value_text.hpp),
// the one form the program writes a double in.
void AppendInteger(std::string& out, std::int64_t number);

}  // namespace tavix::admin
