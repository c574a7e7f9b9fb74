#pragma once

#include <optional>
#include <string>

namespace tavix::admin {

// What `tavix-admin export` was asked to do, as given on the command line.
struct ExportOptions {
    std::string format = "csv";  // csv, csv-it or jsonl
    bool totals = false;
    std::optional<std::string> terminal;  // nothing: every terminal
    std::string from;                     // empty: no lower bound
    std::string to;
    std::string output;  // empty: standard output
    std::string target;  // empty: the default store
};

inline constexpr const char* kExportSynopsis = "tavix-admin export [OPTIONS] [TARGET]";

// Runs the export and returns the exit status.
int RunExport(const ExportOptions& options);

}  // namespace tavix::admin
