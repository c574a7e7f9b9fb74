#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace tavix::admin {

// Exit statuses of tavix-admin.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;     // the command ran and failed, or found a problem
inline constexpr int kUsageError = 2;  // a wrong command, option or option value

// One command of tavix-admin: its parser (a subcommand of the program's), its one-line
// synopsis for the short usage, and what it does once its arguments are parsed. A
// store::StoreError or OutputError that run throws ends the command as ReportFailure does.
struct AdminCommand {
    CLI::App* parser;
    std::string synopsis;
    std::function<int()> run;
};

AdminCommand AddInitCommand(CLI::App& program);
AdminCommand AddExportCommand(CLI::App& program);
AdminCommand AddCheckCommand(CLI::App& program);
AdminCommand AddStatsCommand(CLI::App& program);
AdminCommand AddCopyCommand(CLI::App& program);
AdminCommand AddForwardCommand(CLI::App& program);
AdminCommand AddUpgradeCommand(CLI::App& program);
// "help [COMMAND]": the program's help, or that of one of the commands.
AdminCommand AddHelpCommand(CLI::App& program);

// "tavix-admin: message" on standard error; returns kFailure.
int ReportFailure(std::string_view message);

// The message, the synopsis lines and a pointer to --help on standard error; returns
// kUsageError.
int ReportUsageError(std::string_view message, const std::vector<std::string>& synopses);

}  // namespace tavix::admin
