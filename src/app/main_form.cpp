#include "app/main_form.hpp"

#include "acquisition/field_key.hpp"
#include "acquisition/readings_list.hpp"
#include "app/shared_state.hpp"
#include "archive/archive_browser.hpp"
#include "console/ncurses_terminal.hpp"

namespace tavix::app {

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

MainForm::MainForm(std::unique_ptr<console::Terminal> terminal) : console_(std::move(terminal)) {
    console_.SetKeyEvents(this);
}

MainForm::~MainForm() {
    console_.SetKeyEvents(nullptr);
}

void MainForm::FieldKey(console::KeyCode& key, console::KeyAction& action, std::int32_t field_id) {
    acquisition::FieldKey(key, action, field_id);
}

void MainForm::ListKey(console::KeyCode& key, console::KeyAction& action, std::int32_t list_id) {
    acquisition::ListKey(key, action, list_id);
}

void MainForm::MenuKey(console::KeyCode& key, console::KeyAction& action, std::int32_t menu_id) {
    archive::MenuKey(key, action, menu_id);
}

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

}  // namespace tavix::app
