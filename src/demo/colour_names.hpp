#pragma once

#include <string>

namespace tavix::demo {

// The name of a colour number of the sixteen-colour text palette, such as "YELLOW" for 14,
// or "" outside 0 to 15.
std::string ColourName(int number);

}  // namespace tavix::demo
