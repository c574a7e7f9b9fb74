#pragma once

#include <string>

namespace CLI {
class App;
}

namespace tavix::admin {

// Adds the optional positional argument TARGET to a command.
void AddTargetArgument(CLI::App& command, std::string& target);

// The store a command works on: the TARGET given, else $TAVIX_DATABASE when it is set and not
// empty, else tavix.mdb beside the executable, as the program finds its own.
std::string StoreTarget(const std::string& given);

}  // namespace tavix::admin
