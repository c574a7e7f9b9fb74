#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "admin_command.hpp"
#include "queue_state_text.hpp"
#include "store/database_target.hpp"
#include "store/forwarding.hpp"
#include "store/readings_source.hpp"
#include "store/store_error.hpp"
#include "store_target.hpp"
#include "text/glyphs.hpp"

namespace tavix::admin {

namespace {

// The problems of a file's forwarding, with whether it is a spool. A forwarding state that
// cannot be read is one more problem, not the end of the check.
std::vector<std::string> ForwardingProblems(const std::string& store, bool& spool) {
    spool = false;
    if (store::IsPostgresTarget(store)) {
        return {};
    }
    try {
        const std::optional<store::QueueState> queue = store::ReadQueueState(store);
        spool = queue && queue->spool;
        return queue ? QueueStateProblems(*queue) : std::vector<std::string>{};
    } catch (const store::StoreError& error) {
        return {std::string("cannot read what waits to be forwarded: ") + error.what()};
    }
}

int Check(const std::string& target) {
    const std::string store = StoreTarget(target);
    const auto source = store::OpenReadingsSource(store);
    bool spool = false;
    std::vector<std::string> problems = ForwardingProblems(store, spool);
    if (!spool) {
        // A spool holds no Readings table, by design.
        std::vector<std::string> readings_problems = source->Problems();
        problems.insert(problems.begin(), readings_problems.begin(), readings_problems.end());
    }
    // What the store lacks only for what it does not use yet is said, and is no problem.
    for (const std::string& note : source->Notes()) {
        std::cerr << "tavix-admin: note: " << text::TerminalText(source->Name() + ": " + note)
                  << '\n';
    }
    if (problems.empty()) {
        std::cout << "ok\n";
        return kSuccess;
    }
    for (const std::string& problem : problems) {
        std::cout << text::TerminalText(source->Name() + ": " + problem) << '\n';
    }
    return kFailure;
}

}  // namespace

AdminCommand AddCheckCommand(CLI::App& program) {
    auto target = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand(
        "check",
        "Check the store for damage and its schema, and a file's forwarding; print what is "
        "wrong, or \"ok\"");
    AddTargetArgument(*command, *target);
    return {command, "tavix-admin check [TARGET]", [target] { return Check(*target); }};
}

}  // namespace tavix::admin
