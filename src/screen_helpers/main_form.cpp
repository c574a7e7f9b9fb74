#include "screen_helpers/main_form.hpp"

#include "console/ncurses_terminal.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::screen_helpers {

namespace {

std::unique_ptr<MainForm> g_main_form;

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

MainForm::MainForm(std::unique_ptr<console::Terminal> terminal) : console_(std::move(terminal)) {}

MainForm& TheMainForm() {
    if (!g_main_form) {
        g_main_form = std::make_unique<MainForm>(NewTerminal());
    }
    return *g_main_form;
}

void UnloadForms() {
    g_main_form.reset();
}

void SetTerminalFactory(TerminalFactory factory) {
    Factory() = std::move(factory);
}

console::TextConsole& Console() {
    return TheMainForm().Console();
}

}  // namespace tavix::screen_helpers
