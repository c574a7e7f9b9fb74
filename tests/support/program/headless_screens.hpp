#pragma once

#include <functional>
#include <string>
#include <vector>

#include "console/cell_grid.hpp"
#include "console/key_codes.hpp"
#include "console/terminal.hpp"
#include "support/readings_in_file.hpp"

namespace tavix::testing {

// A screen as the console handed it to its terminal while the program waited for a key.
struct ShownScreen {
    console::CellGrid cells;
    console::CursorState cursor;
};

struct HeadlessRun {
    // The screen before the first key, then the one after each key but the last.
    std::vector<ShownScreen> screens;
    // Whether the program ended with status 0 at the last key and not before.
    bool ended_at_last_key = false;
    // What the program left in its database file.
    std::vector<StoredReading> readings_left;
};

// Runs the whole program headless, as Main starts it, on a fresh empty readings database
// that `prepare` may fill (it gets the database's path), typing `keys`.
HeadlessRun RunHeadless(const std::vector<console::KeyCode>& keys,
                        const std::function<void(const std::string&)>& prepare);

}  // namespace tavix::testing
