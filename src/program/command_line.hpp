#pragma once

#include <optional>
#include <string>

#include "diagnostics/log_destination.hpp"

namespace tavix::program {

// What the program runs with, as the command line and the environment chose it.
struct StartOptions {
    // The readings store: a file path or a PostgreSQL URI; empty when nothing names one and
    // the program cannot learn its own folder, so has no file beside it either.
    std::string database;
    // The PostgreSQL server a database file forwards its readings to; empty for none.
    std::string forward;
    // Where a program storing into a server keeps the readings whose outcome it could not
    // learn; empty with a database file, and when nothing names a place.
    std::string spool;
    diagnostics::LogDestination log;
};

// Exit statuses of the command line.
inline constexpr int kHelpOrVersion = 0;
inline constexpr int kUsageError = 2;

// What the command line asks for: to run with `start`, or to end at once with `status` after
// writing `out` to standard output and `err` to standard error (help, version, a wrong option
// or value).
struct CommandLine {
    std::optional<StartOptions> start;
    std::string out;
    std::string err;
    int status = kHelpOrVersion;
};

// Reads the arguments, the environment (TAVIX_DATABASE, TAVIX_FORWARD, TAVIX_SPOOL, TAVIX_LOG,
// TAVIX_CONFIG) and the settings file. Changes nothing: what to say is returned, for the caller to
// write before anything else happens.
//
// The store is chosen by store::ChooseDatabaseTarget: --database, else TAVIX_DATABASE (an
// empty value counts as unset), else the settings file's `database`, else tavix.mdb beside
// the executable. One named by the option, the variable or the settings file that cannot be a
// store (database_target.hpp), and a settings file that is not one, are usage errors naming
// where they come from. The log is chosen as diagnostics::ChooseLogDestination says; an empty
// --log is a usage error.
//
// The server to forward to (store::ChooseForwardTarget: --forward, TAVIX_FORWARD, the settings
// file's `forward`) goes with a database file only: one that is not a PostgreSQL URI, and one
// named by the option or the variable for a store that is a server already, are usage errors.
// A `forward` of the settings file is for the settings' own database: left aside when the
// option or the variable names a server, a usage error when the settings name one. The spool
// (store::ChooseSpoolPath: --spool, TAVIX_SPOOL, the settings file's `spool`, else the user's
// own) goes with a server only, and is left aside with a file. A settings file the store was
// chosen without, and that is not one, names neither.
CommandLine ReadCommandLine(int argc, const char* const* argv);

}  // namespace tavix::program
