#include "program/command_line.hpp"

#include <CLI/CLI.hpp>
#include <cstdlib>

#include "diagnostics/password_mask.hpp"
#include "program/database_target.hpp"
#include "store/database_target.hpp"

namespace tavix::program {

namespace {

constexpr const char* kDescription =
    "Tavix: collects article codes and quantities on a text terminal of 24 x 20 and stores "
    "them as readings.";
constexpr const char* kFooter =
    "The store is the one --database names, else $TAVIX_DATABASE, else tavix.mdb beside\n"
    "the executable. The diagnostic log goes to the file --log names, else to\n"
    "$TAVIX_LOG, else to the system log (journalctl -t tavix). The manual page is tavix(1).";
constexpr const char* kSynopses =
    "usage: tavix [--database TARGET] [--log FILE]\n"
    "       tavix --help | --version\n"
    "Try 'tavix --help' for more.\n";

CommandLine UsageError(const std::string& message) {
    CommandLine ending;
    // A target may be a connection text with a password in it.
    ending.err = "tavix: " + diagnostics::MaskPasswords(message) + "\n" + kSynopses;
    ending.status = kUsageError;
    return ending;
}

CommandLine Ending(std::string out) {
    CommandLine ending;
    ending.out = std::move(out);
    ending.status = kHelpOrVersion;
    return ending;
}

std::string UnexpectedArgumentMessage(const std::string& argument) {
    return argument.starts_with("-") ? "unknown option " + argument
                                     : "unexpected argument '" + argument + "'";
}

const char* Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

std::string VersionText() {
    return "tavix " + std::to_string(TAVIX_VERSION_MAJOR) + "." +
           std::to_string(TAVIX_VERSION_MINOR);
}

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const* argv) {
    CLI::App program(kDescription, "tavix");
    program.set_version_flag("--version", VersionText());
    std::string database;
    const CLI::Option* database_option =
        program
            .add_option("--database", database,
                        "The readings store: a database file (or a postgresql:// URI)")
            ->type_name("TARGET");
    std::string log;
    const CLI::Option* log_option =
        program.add_option("--log", log, "Append the diagnostic log to FILE, not the system log")
            ->type_name("FILE");
    program.footer(kFooter);
    // Collected rather than thrown, to be named in words of our own.
    program.allow_extras();
    try {
        program.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return Ending(program.help());
    } catch (const CLI::CallForVersion& version) {
        return Ending(version.what() + std::string("\n"));
    } catch (const CLI::ParseError& error) {
        return UsageError(error.what());
    }
    if (const std::vector<std::string> extras = program.remaining(); !extras.empty()) {
        return UsageError(UnexpectedArgumentMessage(extras.front()));
    }

    if (log_option->count() > 0 && log.empty()) {
        return UsageError("--log: an empty path names no file");
    }
    StartOptions start;
    start.log = diagnostics::ChooseLogDestination(log, std::getenv(diagnostics::kLogVariable));
    std::string source;
    if (database_option->count() > 0) {
        source = "--database";
        start.database = database;
    } else if (const char* from_environment = Environment(store::kDatabaseVariable)) {
        source = store::kDatabaseVariable;
        start.database = from_environment;
    }
    if (!source.empty()) {
        if (const auto reason = UnusableTargetReason(start.database)) {
            return UsageError(source + ": " + *reason);
        }
    }
    CommandLine running;
    running.start = std::move(start);
    return running;
}

}  // namespace tavix::program
