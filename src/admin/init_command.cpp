#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "store/database.hpp"
#include "store/database_target.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

AdminCommand AddInitCommand(CLI::App& program) {
    auto target = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand(
        "init", "Create an empty readings store; never overwrites or changes anything");
    command
        ->add_option("TARGET", *target,
                     "The new SQLite file's path, or a PostgreSQL URI (postgresql://...) naming "
                     "the database to create the readings table in")
        ->required()
        ->type_name("")
        ->check(NotEmpty("store"));
    return {command, "tavix-admin init TARGET", [target] {
                store::CreateReadingsDatabase(*target);
                std::cout << "Created an empty readings store: " << store::DisplayedTarget(*target)
                          << '\n';
                return kSuccess;
            }};
}

}  // namespace tavix::admin
