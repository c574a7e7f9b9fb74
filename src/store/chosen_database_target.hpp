#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tavix::store {

// The store a program works on, and where it was named.
struct ChosenTarget {
    std::string target;
    // The words a message about the target begins with: the option or argument that gave it,
    // the environment variable, or the settings file and line ("/etc/tavix/tavix.conf:3");
    // empty for the file beside the executable.
    std::string origin;
};

// The one rule by which tavix and tavix-admin find their store, first found:
//   1. `given`, from the command line (`given_origin` names it: "--database", "TARGET");
//   2. TAVIX_DATABASE when it is set and not empty;
//   3. the `database` setting of the settings file (settings_file.hpp);
//   4. tavix.mdb in the folder of executable_path(), so that a build tree keeps its file
//      beside its program.
// Throws SettingsError for a settings file that cannot be read or holds something else than
// settings, and lets out what executable_path throws when it cannot tell: a program that does
// not know its own folder has no file beside it, and never takes one in the current folder.
ChosenTarget ChooseDatabaseTarget(const std::optional<std::string>& given,
                                  const std::string& given_origin,
                                  const std::function<std::string()>& executable_path);

}  // namespace tavix::store
