#include "support/program/headless_screens.hpp"

#include "support/program/program_harness.hpp"

namespace tavix::testing {

HeadlessRun RunHeadless(const std::vector<console::KeyCode>& keys,
                        const std::function<void(const std::string&)>& prepare) {
    ProgramHarness program(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    prepare(program.DatabasePath());
    console::ScriptedTerminal& terminal = program.Terminal();
    HeadlessRun run;
    const auto keep_screen = [&] {
        run.screens.push_back(ShownScreen{terminal.Screen(), terminal.Cursor()});
    };
    for (console::KeyCode key : keys) {
        terminal.Then(keep_screen).Key(key);
    }
    try {
        const int status = program.RunMain();
        run.ended_at_last_key = status == 0 && terminal.PendingKeys() == 0;
    } catch (const console::ScriptExhausted&) {
        run.ended_at_last_key = false;  // the program still waited for a key
    }
    run.readings_left = StoredReadings(program.DatabasePath());
    return run;
}

}  // namespace tavix::testing
