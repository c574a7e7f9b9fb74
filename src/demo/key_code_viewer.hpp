#pragma once

namespace tavix::demo {

// Shows the code, character and constant name of every key pressed, until Esc.
void KeyCodeViewer();

}  // namespace tavix::demo
