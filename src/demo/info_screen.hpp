#pragma once

#include <string>

namespace tavix::demo {

// The text of the information screen, before it is wrapped to the box.
std::string InfoText();

// The information text in a text box filling the work area, until Esc.
void ShowInfoScreen();

}  // namespace tavix::demo
