#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "admin_command.hpp"
#include "queue_state_text.hpp"
#include "store/database_target.hpp"
#include "store/forwarding.hpp"
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

// What waits in a file to be forwarded; nothing for a server, and for a file that never
// forwarded.
std::optional<store::QueueState> QueueStateOf(const std::string& store) {
    return store::IsPostgresTarget(store) ? std::nullopt : store::ReadQueueState(store);
}

int Stats(const std::string& target) {
    const std::string store = StoreTarget(target);
    const auto source = store::OpenReadingsSource(store);
    const std::optional<store::QueueState> queue = QueueStateOf(store);
    // A spool holds no Readings table: what waits there is all it has to tell.
    if (!queue || !queue->spool) {
        Print(source->Summary());
    }
    if (queue) {
        for (const std::string& line : QueueStateLines(*queue)) {
            std::cout << line << '\n';
        }
    }
    return kSuccess;
}

}  // namespace

AdminCommand AddStatsCommand(CLI::App& program) {
    auto target = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand(
        "stats",
        "Count the readings, in all and per terminal; first and last DateTime; what waits to "
        "be forwarded (on a spool, that alone)");
    AddTargetArgument(*command, *target);
    return {command, "tavix-admin stats [TARGET]", [target] { return Stats(*target); }};
}

}  // namespace tavix::admin
