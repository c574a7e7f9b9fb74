#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "store/readings_source.hpp"
#include "store/store_error.hpp"
#include "store_target.hpp"

namespace tavix::admin {

namespace {

int Check(const std::string& target) {
    std::vector<std::string> problems;
    std::string name;
    try {
        const auto source = store::OpenReadingsSource(StoreTarget(target));
        name = source->Name();
        problems = source->Problems();
    } catch (const store::StoreError& error) {
        return ReportFailure(error.what());
    }
    if (problems.empty()) {
        std::cout << "ok\n";
        return kSuccess;
    }
    for (const std::string& problem : problems) {
        std::cout << name << ": " << problem << '\n';
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
