#pragma once

namespace tavix::app {

// The program's standard look, yellow text on blue: puts the console's 25 colour settings.
void ApplyColourScheme();

}  // namespace tavix::app
