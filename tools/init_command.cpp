#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "store/database.hpp"
#include "store/store_error.hpp"

namespace tavix::admin {

AdminCommand AddInitCommand(CLI::App& program) {
    auto path = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand(
        "init", "Create an empty readings database; never overwrites anything");
    command->add_option("PATH", *path, "Where the new database file goes")
        ->required()
        ->type_name("");
    return {command, "tavix-admin init PATH", [path] {
                try {
                    store::CreateReadingsDatabase(*path);
                } catch (const store::StoreError& error) {
                    return ReportFailure(error.what());
                }
                std::cout << "Created an empty readings database: " << *path << '\n';
                return kSuccess;
            }};
}

}  // namespace tavix::admin
