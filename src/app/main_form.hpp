#pragma once

#include <functional>
#include <memory>

#include "console/key_events.hpp"
#include "console/terminal.hpp"
#include "console/text_console.hpp"

namespace tavix::app {

// The form that owns the program's console and receives its key events: the one place where
// the screens meet. It routes each event to the handler of the screen that owns it.
class MainForm : public console::KeyEvents {
  public:
    explicit MainForm(std::unique_ptr<console::Terminal> terminal);
    ~MainForm() override;

    console::TextConsole& Console() { return console_; }

    void FieldKey(console::KeyCode& key, console::KeyAction& action,
                  std::int32_t field_id) override;
    void ListKey(console::KeyCode& key, console::KeyAction& action, std::int32_t list_id) override;
    void MenuKey(console::KeyCode& key, console::KeyAction& action, std::int32_t menu_id) override;

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

}  // namespace tavix::app
