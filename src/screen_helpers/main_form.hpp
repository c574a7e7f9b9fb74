#pragma once

#include <functional>
#include <memory>

#include "console/terminal.hpp"
#include "console/text_console.hpp"

namespace tavix::screen_helpers {

// The form that owns the program's one console. It knows no screen: a screen that runs a line
// editor, a menu or a pick list installs its own key handler for that call.
class MainForm {
  public:
    explicit MainForm(std::unique_ptr<console::Terminal> terminal);

    console::TextConsole& Console() { return console_; }

  private:
    console::TextConsole console_;
};

// The main form, created on first use with a terminal from the terminal factory.
MainForm& TheMainForm();

// Unloads the form, releasing its console. The next TheMainForm creates a new one.
void UnloadForms();

// What the form's console draws on: the real terminal unless a test installs another.
using TerminalFactory = std::function<std::unique_ptr<console::Terminal>()>;
void SetTerminalFactory(TerminalFactory factory);

}  // namespace tavix::screen_helpers
