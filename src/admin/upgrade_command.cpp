#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "store/database_target.hpp"
#include "store/forwarding.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

int Upgrade(const std::string& uri) {
    const std::vector<std::string> added = store::UpgradeReadingsTable(uri);
    const std::string server = store::DisplayedTarget(uri);
    if (added.empty()) {
        std::cout << "Nothing to add: " << server << " has what forwarding needs\n";
        return kSuccess;
    }
    std::cout << "Added to " << server << " for forwarding:\n";
    for (const std::string& line : added) {
        std::cout << "  " << line << '\n';
    }
    return kSuccess;
}

}  // namespace

AdminCommand AddUpgradeCommand(CLI::App& program) {
    auto uri = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand(
        "upgrade",
        "Add what forwarding needs to a server's readings table made before it had it; "
        "changes nothing else");
    command->add_option("URI", *uri, "The server's database (postgresql://...)")
        ->required()
        ->type_name("")
        ->check(NotEmpty("server"))
        ->check(APostgresUri());
    return {command, "tavix-admin upgrade URI", [uri] { return Upgrade(*uri); }};
}

}  // namespace tavix::admin
