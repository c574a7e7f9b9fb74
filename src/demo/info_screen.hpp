#pragma once

namespace tavix::demo {

// The information text in a text box filling the work area, until Esc.
void ShowInfoScreen();

}  // namespace tavix::demo
