#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "store/readings_source.hpp"
#include "store_target.hpp"
#include "text/glyphs.hpp"

namespace tavix::admin {

namespace {

int Check(const std::string& target) {
    const auto source = store::OpenReadingsSource(StoreTarget(target));
    const std::vector<std::string> problems = source->Problems();
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
        "check", "Check the store for damage and its schema; print what is wrong, or \"ok\"");
    AddTargetArgument(*command, *target);
    return {command, "tavix-admin check [TARGET]", [target] { return Check(*target); }};
}

}  // namespace tavix::admin
