#include "command_line.hpp"

#include <CLI/CLI.hpp>
#include <iostream>

#include "admin_command.hpp"
#include "export/output.hpp"
#include "store/settings_file.hpp"
#include "store/store_error.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

constexpr const char* kDescription =
    "Maintenance of the Tavix readings store: create one, export its readings for the stock "
    "system, check it, count it, copy it into another, forward a file's readings to a server.";
std::string Footer() {
    return std::string(
               "A store is the path of a readings database file or a PostgreSQL URI "
               "(postgresql://... or postgres://...). Without TARGET, export, check and stats "
               "take $TAVIX_DATABASE, else the 'database' setting of ") +
           store::DefaultSettingsFilePath() +
           " (or of the file $TAVIX_CONFIG names), else tavix.mdb beside the executable, as "
           "tavix does. Without URI, forward takes $TAVIX_FORWARD, else the 'forward' setting.\n"
           "'tavix-admin help COMMAND' shows the options of a command; the manual page is "
           "tavix-admin(1).";
}
constexpr const char* kProgramSynopsis = "tavix-admin --help | --version";

// The synopses of the command the parse went into, or of every command when it went into
// none.
std::vector<std::string> SynopsesFor(const std::vector<AdminCommand>& commands) {
    std::vector<std::string> synopses;
    for (const AdminCommand& command : commands) {
        if (command.parser->parsed()) {
            return {command.synopsis};
        }
    }
    for (const AdminCommand& command : commands) {
        synopses.push_back(command.synopsis);
    }
    synopses.emplace_back(kProgramSynopsis);
    return synopses;
}

// The parser says a command is required when the first argument is no command at all; name it.
std::string ParseErrorMessage(const CLI::ParseError& error, const CLI::App& program, int argc,
                              char** argv) {
    if (!program.get_subcommands().empty()) {
        return UsageMessage(error, program);
    }
    if (argc < 2) {
        return "no command given";
    }
    const std::string first = argv[1];
    return first.starts_with("-") ? "unknown option " + first : "'" + first + "' is not a command";
}

// A store or an output that fails ends any command the same way: its message, status 1.
int RunReportingFailures(const AdminCommand& command) {
    try {
        return command.run();
    } catch (const store::StoreError& error) {
        return ReportFailure(error.what());
    } catch (const OutputError& error) {
        return ReportFailure(error.what());
    }
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    CLI::App program(kDescription, "tavix-admin");
    program.set_version_flag("--version", "tavix-admin " TAVIX_VERSION);
    program.require_subcommand(1);
    program.footer(Footer());
    std::vector<AdminCommand> commands = {AddInitCommand(program),    AddExportCommand(program),
                                          AddCheckCommand(program),   AddStatsCommand(program),
                                          AddCopyCommand(program),    AddForwardCommand(program),
                                          AddUpgradeCommand(program), AddHelpCommand(program)};
    try {
        program.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << program.help();
        return kSuccess;
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << '\n';
        return kSuccess;
    } catch (const CLI::ParseError& error) {
        return ReportUsageError(ParseErrorMessage(error, program, argc, argv),
                                SynopsesFor(commands));
    }
    for (const AdminCommand& command : commands) {
        if (command.parser->parsed()) {
            return RunReportingFailures(command);
        }
    }
    return ReportUsageError("no command given", SynopsesFor(commands));
}

}  // namespace tavix::admin
