#pragma once

namespace tavix::program {

// Runs the main menu until the user confirms the exit. Each pass highlights the item that
// MenuIndex held when the previous pass ended.
void RunMainMenu();

}  // namespace tavix::program
