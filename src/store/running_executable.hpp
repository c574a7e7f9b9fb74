#pragma once

#include <string>

namespace tavix::store {

// The full path of the running executable, as the operating system knows it (/proc/self/exe).
// Throws std::runtime_error when it cannot be found: without /proc, or for a path longer than
// the system gives out.
std::string RunningExecutablePath();

}  // namespace tavix::store
