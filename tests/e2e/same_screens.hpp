#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "console/key_codes.hpp"
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

// Runs the program headless and in a tmux pane of its own size under `term`, both from the
// same readings and with the same keys, and compares what tmux shows with the console's grid
// each time the program waits for the next key: characters, colours and the cursor. The flow
// must end the program at its last key.
::testing::AssertionResult ShowsTheSameScreens(const std::vector<FlowKey>& flow,
                                               const TermCase& term,
                                               const std::vector<SeedReading>& readings);

}  // namespace tavix::testing
