#pragma once

#include <string>

namespace tavix::demo {

// The name of the program's constant for a key code, such as "K_F1", or "[ND]" for a code
// that has none (printable characters, unlisted Ctrl+letter combinations, unknown codes).
std::string KeyName(int code);

}  // namespace tavix::demo
