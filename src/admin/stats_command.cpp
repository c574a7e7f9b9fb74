#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "store/readings_source.hpp"
#include "store_target.hpp"
#include "terminal_counts.hpp"
#include "text/glyphs.hpp"
#include "value_text.hpp"

namespace tavix::admin {

namespace {

void Print(const store::StoreSummary& summary) {
    // The data's control codes show as the screens show them, never act on the terminal.
    std::cout << "readings: " << summary.readings << '\n'
              << "first DateTime: " << text::TerminalText(ValueText(summary.first_date_time))
              << '\n'
              << "last DateTime: " << text::TerminalText(ValueText(summary.last_date_time)) << '\n'
              << "readings per terminal:";
    const std::vector<TerminalLine> lines = MergeTerminalCounts(summary.per_terminal);
    if (lines.empty()) {
        std::cout << " (none)";
    }
    std::cout << '\n';
    for (const TerminalLine& line : lines) {
        std::cout << "  " << text::TerminalText(line.terminal) << ": " << line.readings << '\n';
    }
}

int Stats(const std::string& target) {
    Print(store::OpenReadingsSource(StoreTarget(target))->Summary());
    return kSuccess;
}

}  // namespace

AdminCommand AddStatsCommand(CLI::App& program) {
    auto target = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand(
        "stats", "Count the readings, in all and per terminal; first and last DateTime");
    AddTargetArgument(*command, *target);
    return {command, "tavix-admin stats [TARGET]", [target] { return Stats(*target); }};
}

}  // namespace tavix::admin
