#pragma once

#include <functional>
#include <memory>

#include "console/terminal.hpp"
#include "console/text_console.hpp"

// The main form: the program's one console, created on first use; screens reach it through
// shared_state.hpp, which includes this. It knows no screen: a screen that runs a line editor, a
// menu or a pick list installs its own key handler for that call.

namespace tavix::screen_helpers {

// The one console of the program. Every procedure that draws obtains it here when it starts.
console::TextConsole& Console();

// Unloads the form, releasing its console. The next Console() creates a new one.
void UnloadForms();

// What the form's console draws on: the real terminal unless a test installs another.
using TerminalFactory = std::function<std::unique_ptr<console::Terminal>()>;
void SetTerminalFactory(TerminalFactory factory);

}  // namespace tavix::screen_helpers
