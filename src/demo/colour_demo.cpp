#include "demo/colour_demo.hpp"

namespace tavix::demo {

void ColourDemo() {}

}  // namespace tavix::demo
