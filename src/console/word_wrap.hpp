#pragma once

#include <string>
#include <vector>

namespace tavix::console {

// Breaks a text into lines of at most width characters on blanks; a word longer than a line
// is cut. Runs of blanks at a break disappear.
std::vector<std::string> WrapWords(const std::string& text, int width);

}  // namespace tavix::console
