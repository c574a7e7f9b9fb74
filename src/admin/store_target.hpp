#pragma once

#include <string>

namespace CLI {
class App;
}

namespace tavix::admin {

// Adds the optional positional argument TARGET to a command.
void AddTargetArgument(CLI::App& command, std::string& target);

// The store a command works on, found as the program finds its own
// (store::ChooseDatabaseTarget): the TARGET given, else $TAVIX_DATABASE when it is set and not
// empty, else the settings file's `database`, else tavix.mdb beside the executable. Throws
// store::StoreError, to end the command with status 1, for a settings file that is not one
// and when nothing names a store and tavix-admin cannot learn its own folder.
std::string StoreTarget(const std::string& given);

}  // namespace tavix::admin
