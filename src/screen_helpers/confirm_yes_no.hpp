#pragma once

#include <string>

namespace tavix::screen_helpers {

// Asks prompt followed by " (S/N)?" in a popup and waits for S or N in either case; every
// other key is ignored. The console's settings and screen are as before when it returns.
bool ConfirmYesNo(const std::string& prompt);

}  // namespace tavix::screen_helpers
