#pragma once

namespace tavix::demo {

// The sixteen colours as swatches; the arrows choose a foreground and a background for a
// sample text, F1 switches between them, Esc ends.
void ColourDemo();

}  // namespace tavix::demo
