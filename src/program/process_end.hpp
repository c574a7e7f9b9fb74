#pragma once

#include <functional>

namespace tavix::program {

// Ends the process at once with the given exit status. This is the program's only way out;
// tests replace it to see the end without losing the test process.
[[noreturn]] void EndProcess(int status);

// Replaces what EndProcess does; the replacement must not return (a test throws). An empty
// function restores the real end.
void SetProcessEnd(std::function<void(int)> end);

}  // namespace tavix::program
