#pragma once

namespace tavix::console {

// Throws std::runtime_error, saying why, when the program's standard input and output are
// not a terminal it can draw on: either is not a terminal at all, TERM is not set or names a
// type terminfo does not know, or the type cannot move its cursor to a given place. Looks
// without writing anything or changing the terminal's modes.
void RequireUsableTerminal();

}  // namespace tavix::console
