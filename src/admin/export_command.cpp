#include <CLI/CLI.hpp>
#include <memory>

#include "admin_command.hpp"
#include "export/date_bound.hpp"
#include "export/export_options.hpp"
#include "store_target.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

CLI::Validator DateValidator() {
    return CLI::Validator(DateBoundError, "", "date");
}

}  // namespace

AdminCommand AddExportCommand(CLI::App& program) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = program.add_subcommand(
        "export", "Write the readings, or the totals per code, as CSV or JSON lines");
    command
        ->add_option("--format", options->format,
                     "csv (default), csv-it (';' and decimal comma) or jsonl")
        ->type_name("FORMAT")
        ->check(OneOf({"csv", "csv-it", "jsonl"}));
    command->add_flag("--totals", options->totals,
                      "Per code, in code order: the sum of qt and the number of readings");
    command
        ->add_option_function<std::string>(
            "--terminal", [options](const std::string& terminal) { options->terminal = terminal; },
            "Only the readings of terminal T")
        ->type_name("T");
    command->add_option("--from", options->from, "Only readings from \"YYYY-MM-DD[ HH:MM:SS]\" on")
        ->type_name("DATE")
        ->check(DateValidator());
    command
        ->add_option("--to", options->to,
                     "Only readings up to \"YYYY-MM-DD[ HH:MM:SS]\" (a date alone: its end)")
        ->type_name("DATE")
        ->check(DateValidator());
    command
        ->add_option("-o,--output", options->output,
                     "Write to FILE, complete or not at all, not to standard output")
        ->type_name("FILE")
        ->check(NotEmpty("file"));
    AddTargetArgument(*command, options->target);
    return {command, kExportSynopsis, [options] { return RunExport(*options); }};
}

}  // namespace tavix::admin
