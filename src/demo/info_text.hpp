#pragma once

#include <string>

namespace tavix::demo {

// The text of the information screen shown at start-up, before it is wrapped to the box.
std::string InfoText();

}  // namespace tavix::demo
