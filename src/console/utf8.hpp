#pragma once

#include <string>

namespace tavix::console {

// Appends one Unicode code point to a UTF-8 text.
void AppendUtf8(std::string& out, char32_t code_point);

}  // namespace tavix::console
