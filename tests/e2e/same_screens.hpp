#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "console/key_codes.hpp"
#include "support/program_folder.hpp"
#include "support/readings_in_file.hpp"

namespace tavix::testing {

// One key of a flow: how tmux types it, and the code the console delivers for it.
struct FlowKey {
    std::string tmux;  // a send-keys name ("Escape", "F3"), or the character typed
    bool literal = false;
    console::KeyCode code = 0;
};

FlowKey Named(const std::string& tmux_name, console::KeyCode code);
// Printable ASCII typed as it is, one key per character.
std::vector<FlowKey> Typed(const std::string& text);

struct TermCase {
    const char* label;
    const char* term;
    int colours;  // what the terminal's terminfo entry says
};

// Test names and messages show the TERM.
void PrintTo(const TermCase& term, std::ostream* out);

// The codes the console delivers for the flow's keys, in order.
std::vector<console::KeyCode> KeyCodes(const std::vector<FlowKey>& flow);

// Where the program in the tmux pane keeps its readings.
struct PaneStore {
    // Puts the readings where the program will find them.
    std::function<void(const ProgramFolder&, const std::vector<SeedReading>&)> seed;
    // The program's arguments (shell words) that name the store.
    std::string arguments;
};

// The database file beside the program, as without options (the default).
PaneStore FileBesideTheProgram();

// Runs the program headless (on a database file) and in a tmux pane of its own size under
// `term` (on `store`), both from the same readings and with the same keys, and compares what
// tmux shows with the console's grid each time the program waits for the next key: characters,
// colours and the cursor. The flow must end the program at its last key.
::testing::AssertionResult ShowsTheSameScreens(const std::vector<FlowKey>& flow,
                                               const TermCase& term,
                                               const std::vector<SeedReading>& readings,
                                               const PaneStore& store = FileBesideTheProgram());

}  // namespace tavix::testing
