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

// The variables that name, beside TAVIX_DATABASE, the server a database file forwards its
// readings to, and the spool of a program storing straight into a server.
inline constexpr const char* kForwardVariable = "TAVIX_FORWARD";
inline constexpr const char* kSpoolVariable = "TAVIX_SPOOL";

// The server a database file forwards to, by the same rule: `given`, else TAVIX_FORWARD when it
// is set and not empty, else the settings file's `forward`; nothing when none names one. The
// value is not checked here, but for the settings file's (settings_file.hpp). Throws
// SettingsError as ChooseDatabaseTarget does.
std::optional<ChosenTarget> ChooseForwardTarget(const std::optional<std::string>& given,
                                                const std::string& given_origin);

// Where a program storing into a server keeps the readings whose outcome it could not learn:
// `given`, else TAVIX_SPOOL, else the settings file's `spool`, else the user's own
// $XDG_STATE_HOME/tavix/spool.mdb (an absolute XDG_STATE_HOME), else
// $HOME/.local/state/tavix/spool.mdb, with an empty origin; nothing when no variable names a
// place. Throws SettingsError as ChooseDatabaseTarget does.
std::optional<ChosenTarget> ChooseSpoolPath(const std::optional<std::string>& given,
                                            const std::string& given_origin);

}  // namespace tavix::store
