#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "admin_command.hpp"
#include "count_text.hpp"
#include "store/readings_sink.hpp"
#include "store/readings_source.hpp"
#include "text/glyphs.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

constexpr const char* kCopySynopsis = "tavix-admin copy SOURCE TARGET";

struct CopyTargets {
    std::string source;
    std::string target;
};

struct CopyCount {
    std::int64_t readings = 0;
    std::int64_t changed = 0;
};

// Copies in id order; says on standard error, reading by reading, each value the target had to
// hold otherwise. Returns the readings copied and how many of them changed.
CopyCount CopyReadings(store::ReadingsSource& source, store::ReadingsSink& sink) {
    CopyCount count;
    const std::unique_ptr<store::RowCursor> readings = source.Readings({});
    while (readings->Next()) {
        const auto fields = readings->Fields();  // id, code, qt, terminal, DateTime
        const std::vector<std::string> changes = sink.Append(fields.subspan(1));
        for (const std::string& change : changes) {
            // A change quotes the data, whose control codes must not act on the terminal.
            std::cerr << "tavix-admin: warning: reading " << fields[0].integer << " of "
                      << text::TerminalText(source.Name() + ": " + change) << '\n';
        }
        ++count.readings;
        count.changed += changes.empty() ? 0 : 1;
    }
    sink.Commit();
    return count;
}

std::string Summary(const CopyCount& count, const std::string& source, const std::string& target) {
    std::string line = "Copied ";
    line += CountText(count.readings, "reading") + " from " + source + " to " + target;
    if (count.changed > 0) {
        line += " (";
        line += CountText(count.changed, "reading") +
                " with a value the target holds otherwise, see above)";
    }
    return line;
}

int Copy(const CopyTargets& targets) {
    const std::unique_ptr<store::ReadingsSource> source = store::OpenReadingsSource(targets.source);
    const std::unique_ptr<store::ReadingsSink> sink = store::OpenReadingsSink(targets.target);
    const CopyCount count = CopyReadings(*source, *sink);
    std::cout << text::TerminalText(Summary(count, source->Name(), sink->Name())) << '\n';
    return kSuccess;
}

}  // namespace

AdminCommand AddCopyCommand(CLI::App& program) {
    auto targets = std::make_shared<CopyTargets>();
    CLI::App* command = program.add_subcommand(
        "copy", "Copy every reading of one store into another, empty one, in one transaction");
    command
        ->add_option("SOURCE", targets->source,
                     "The store to read: a database file or a postgresql:// URI")
        ->required()
        ->type_name("")
        ->check(NotEmpty("store"));
    command
        ->add_option("TARGET", targets->target,
                     "The store to fill, made by tavix-admin init and holding no reading")
        ->required()
        ->type_name("")
        ->check(NotEmpty("store"));
    return {command, kCopySynopsis, [targets] { return Copy(*targets); }};
}

}  // namespace tavix::admin
