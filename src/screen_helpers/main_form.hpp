#pragma once

#include <functional>
#include <memory>

#include "console/terminal.hpp"

// The main form: the program's one console (shared_state.hpp's Console()), created on first
// use. It knows no screen: a screen that runs a line editor, a menu or a pick list installs
// its own key handler for that call.

namespace tavix::screen_helpers {

// Unloads the form, releasing its console. The next Console() creates a new one.
void UnloadForms();

// What the form's console draws on: the real terminal unless a test installs another.
using TerminalFactory = std::function<std::unique_ptr<console::Terminal>()>;
void SetTerminalFactory(TerminalFactory factory);

}  // namespace tavix::screen_helpers
