#pragma once

#include <functional>
#include <string>

namespace tavix::program {

// The full path of the running executable, as the operating system knows it. Throws
// std::runtime_error when it cannot be found.
std::string ExecutablePath();

// Tests make the program believe it runs from another place (and so find its database
// there). An empty function restores the real path.
void SetExecutablePathSource(std::function<std::string()> source);

}  // namespace tavix::program
