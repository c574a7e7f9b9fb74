#include "program/command_line.hpp"

#include <CLI/CLI.hpp>
#include <cstdlib>

#include "diagnostics/password_mask.hpp"
#include "program/database_target.hpp"
#include "program/executable_path.hpp"
#include "store/chosen_database_target.hpp"
#include "store/database_target.hpp"
#include "store/settings_file.hpp"

namespace tavix::program {

namespace {

constexpr const char* kDescription =
    "Tavix: collects article codes and quantities on a text terminal of 24 x 20 and stores "
    "them as readings.";
std::string Footer() {
    return std::string(
               "The store is the one --database names, else $TAVIX_DATABASE, else the\n"
               "'database' setting of ") +
           store::DefaultSettingsFilePath() +
           " (or of the file $TAVIX_CONFIG names),\n"
           "else tavix.mdb beside the executable. The diagnostic log goes to the file --log\n"
           "names, else to $TAVIX_LOG, else to the system log (journalctl -t tavix).\n"
           "A database file forwards its readings to the server --forward, $TAVIX_FORWARD or\n"
           "the 'forward' setting names, in the background; a program storing into a server\n"
           "keeps a reading whose outcome it could not learn in the spool --spool,\n"
           "$TAVIX_SPOOL or the 'spool' setting names, else $XDG_STATE_HOME/tavix/spool.mdb\n"
           "(or ~/.local/state/tavix/spool.mdb), and resends it. The manual page is tavix(1).";
}
constexpr const char* kSynopses =
    "usage: tavix [--database TARGET] [--forward URI] [--spool FILE] [--log FILE]\n"
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

// The store the program runs on, and where it was named, or why it must not run.
struct StoreChoice {
    std::string target;
    std::string refusal;
    std::string origin;
};

StoreChoice ChooseStore(const std::optional<std::string>& option) {
    try {
        const store::ChosenTarget chosen =
            store::ChooseDatabaseTarget(option, "--database", ExecutablePath);
        if (!chosen.origin.empty()) {
            if (const auto reason = UnusableTargetReason(chosen.target)) {
                return {"", chosen.origin + ": " + *reason, chosen.origin};
            }
        }
        return {chosen.target, "", chosen.origin};
    } catch (const store::SettingsError& error) {
        return {"", error.what(), ""};
    } catch (const std::exception&) {
        // The program does not know its own folder, so has no file beside it: it runs without
        // readings, and says why in the log once the log is set up.
        return {};
    }
}

// A refusal, or nothing when the program may run.
using Refusal = std::optional<std::string>;

bool FromSettingsFile(const std::string& origin) {
    return origin.starts_with(store::SettingsFilePath() + ":");
}

// The server a database file forwards to, into start.forward.
Refusal ChooseForward(const std::optional<std::string>& option, const StoreChoice& store,
                      StartOptions& start) {
    std::optional<store::ChosenTarget> forward;
    try {
        forward = store::ChooseForwardTarget(option, "--forward");
    } catch (const store::SettingsError&) {
        // Settings the store was chosen without: they name no server either.
        return std::nullopt;
    }
    if (!forward || store.target.empty()) {
        return std::nullopt;
    }
    if (!store::IsPostgresTarget(forward->target)) {
        return forward->origin + ": '" + forward->target + "' is not a postgresql:// URI";
    }
    if (store::IsPostgresTarget(store.target)) {
        if (FromSettingsFile(forward->origin) && !FromSettingsFile(store.origin)) {
            return std::nullopt;
        }
        return forward->origin +
               ": only a database file forwards its readings, and the store is a server "
               "already";
    }
    start.forward = forward->target;
    return std::nullopt;
}

// Where a program on a server keeps readings of unknown outcome, into start.spool.
Refusal ChooseSpool(const std::optional<std::string>& option, const StoreChoice& store,
                    StartOptions& start) {
    if (option) {
        if (const auto reason = UnusableSpoolReason(*option)) {
            return "--spool: " + *reason;
        }
    }
    if (!store::IsPostgresTarget(store.target)) {
        return std::nullopt;
    }
    try {
        if (const auto spool = store::ChooseSpoolPath(option, "--spool")) {
            if (const auto reason = UnusableSpoolReason(spool->target)) {
                return spool->origin + ": " + *reason;
            }
            start.spool = spool->target;
        }
    } catch (const store::SettingsError&) {
        // As for the server to forward to.
    }
    return std::nullopt;
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
    std::string forward;
    const CLI::Option* forward_option =
        program
            .add_option("--forward", forward,
                        "Forward the readings of the database file to the server at URI "
                        "(postgresql://...) in the background")
            ->type_name("URI");
    std::string spool;
    const CLI::Option* spool_option =
        program
            .add_option("--spool", spool,
                        "With a postgresql:// store: keep a reading whose outcome is unknown in "
                        "FILE until it is resent")
            ->type_name("FILE");
    program.footer(Footer());
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
    const StoreChoice store =
        ChooseStore(database_option->count() > 0 ? std::optional(database) : std::nullopt);
    if (!store.refusal.empty()) {
        return UsageError(store.refusal);
    }
    start.database = store.target;
    const auto given = [](const CLI::Option* option, const std::string& value) {
        return option->count() > 0 ? std::optional(value) : std::nullopt;
    };
    if (const Refusal refusal = ChooseForward(given(forward_option, forward), store, start)) {
        return UsageError(*refusal);
    }
    if (const Refusal refusal = ChooseSpool(given(spool_option, spool), store, start)) {
        return UsageError(*refusal);
    }
    CommandLine running;
    running.start = std::move(start);
    return running;
}

}  // namespace tavix::program
