#include "screen_helpers/main_form.hpp"

#include "console/ncurses_terminal.hpp"
#include "console/text_console.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::screen_helpers {

namespace {

std::unique_ptr<console::TextConsole> g_console;

TerminalFactory& Factory() {
    static TerminalFactory factory;
    return factory;
}

std::unique_ptr<console::Terminal> NewTerminal() {
    if (Factory()) {
        return Factory()();
    }
    return std::make_unique<console::NcursesTerminal>();
}

}  // namespace

void UnloadForms() {
    g_console.reset();
}

void SetTerminalFactory(TerminalFactory factory) {
    Factory() = std::move(factory);
}

console::TextConsole& Console() {
    if (!g_console) {
        g_console = std::make_unique<console::TextConsole>(NewTerminal());
    }
    return *g_console;
}

}  // namespace tavix::screen_helpers
