#pragma once

namespace tavix::screen_helpers {

// The program's standard look, yellow text on blue: puts the console's 25 colour settings.
void ApplyColourScheme();

}  // namespace tavix::screen_helpers
