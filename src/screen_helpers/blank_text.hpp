#pragma once

#include <string>

// Blanks, as the program's input rules count them: the space only. Tabs and other bytes are
// content (a code or a file name may hold them).

namespace tavix::screen_helpers {

// True when the text holds nothing but spaces (or nothing at all): such input is never
// stored or searched.
bool IsBlank(const std::string& text);

// The text without its leading and trailing spaces.
std::string TrimSpaces(const std::string& text);

}  // namespace tavix::screen_helpers
