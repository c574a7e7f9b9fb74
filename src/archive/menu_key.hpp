#pragma once

#include <cstdint>

#include "console/key_events.hpp"

namespace tavix::archive {

// Identifier of the browser's field menu; the only menu whose keys MenuKey handles.
inline constexpr std::int32_t kBrowserMenu = 1;

// The browser's keyboard: a field's letter edits it at once, Enter edits the highlighted one,
// Left, Right, Backspace and F3 end the menu so the browser can act on them.
void MenuKey(console::KeyCode& key, console::KeyAction& action, std::int32_t menu_id);

}  // namespace tavix::archive
