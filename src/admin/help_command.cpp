#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

constexpr const char* kCommandNames[] = {"init", "export",  "check",   "stats",
                                         "copy", "forward", "upgrade", "help"};

}  // namespace

AdminCommand AddHelpCommand(CLI::App& program) {
    auto name = std::make_shared<std::string>();
    CLI::App* command = program.add_subcommand("help", "Show the help of a command, or this one");
    command->add_option("COMMAND", *name, "The command to explain")
        ->type_name("")
        ->check(
            OneOf(std::vector<std::string>(std::begin(kCommandNames), std::end(kCommandNames))));
    return {command, "tavix-admin help [COMMAND]", [&program, name] {
                // App::help() would follow the parsed "help" itself; the formatter does not.
                if (name->empty()) {
                    std::cout << program.get_formatter()->make_help(&program, program.get_name(),
                                                                    CLI::AppFormatMode::Normal);
                } else {
                    const CLI::App* explained = program.get_subcommand(*name);
                    std::cout << explained->get_formatter()->make_help(
                        explained, program.get_name() + " " + *name, CLI::AppFormatMode::Normal);
                }
                return kSuccess;
            }};
}

}  // namespace tavix::admin
