#include "demo/key_code_viewer.hpp"

namespace tavix::demo {

void KeyCodeViewer() {}

}  // namespace tavix::demo
