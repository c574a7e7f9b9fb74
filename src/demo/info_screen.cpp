#include "demo/info_screen.hpp"

namespace tavix::demo {

void ShowInfoScreen() {}

}  // namespace tavix::demo
