#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <iostream>
#include <optional>

#include "admin_command.hpp"
#include "count_text.hpp"
#include "export/date_bound.hpp"
#include "export/export_options.hpp"
#include "export/output.hpp"
#include "export/replacing_file.hpp"
#include "export/row_writer.hpp"
#include "store/readings_source.hpp"
#include "store/readings_table.hpp"
#include "store_target.hpp"

namespace tavix::admin {

namespace {

namespace table = store::readings_table;

constexpr std::array<std::string_view, 5> kReadingColumns = {
    table::kId, table::kCode, table::kQuantity, table::kTerminal, table::kDateTime};
constexpr std::array<std::string_view, 3> kTotalsColumns = {table::kCode, table::kQuantity,
                                                            "readings"};

std::unique_ptr<RowWriter> MakeWriter(const std::string& format, Output& output) {
    if (format == "jsonl") {
        return MakeJsonLinesWriter(output);
    }
    return MakeCsvWriter(output, format == "csv-it" ? kCsvItalian : kCsv);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Renaming the export over the store, or over the files SQLite keeps beside it, would destroy
// the readings.
void RefuseToOverwriteTheStore(const std::string& output, const std::string& store) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        if (SameFile(output, store + suffix)) {
            throw OutputError("refusing to write the export over the store's own file " + output);
        }
    }
}

std::string CountLine(std::int64_t count, bool totals, const std::string& output) {
    std::string line = CountText(count, totals ? "code" : "reading") + " written";
    if (!output.empty()) {
        line += " to " + output;
    }
    return line;
}

std::int64_t WriteRows(store::RowCursor& cursor, RowWriter& writer) {
    std::int64_t count = 0;
    while (cursor.Next()) {
        writer.Row(cursor.Fields());
        ++count;
    }
    return count;
}

std::int64_t Export(const ExportOptions& options, const store::ReadingFilter& filter) {
    const std::unique_ptr<store::ReadingsSource> source =
        store::OpenReadingsSource(StoreTarget(options.target));
    std::optional<ReplacingFile> file;
    if (!options.output.empty()) {
        RefuseToOverwriteTheStore(options.output, source->Name());
        file.emplace(options.output);
    }
    Output output(file ? file->Fd() : STDOUT_FILENO,
                  file ? options.output : std::string("standard output"));
    const std::unique_ptr<RowWriter> writer = MakeWriter(options.format, output);
    const std::unique_ptr<store::RowCursor> cursor =
        options.totals ? source->CodeTotals(filter) : source->Readings(filter);
    if (options.totals) {
        writer->Begin(kTotalsColumns);
    } else {
        writer->Begin(kReadingColumns);
    }
    const std::int64_t count = WriteRows(*cursor, *writer);
    output.Flush();
    if (file) {
        file->Commit();
    }
    return count;
}

}  // namespace

int RunExport(const ExportOptions& options) {
    store::ReadingFilter filter;
    filter.terminal = options.terminal;
    if (!options.from.empty()) {
        filter.from = ParseDateBound(options.from, DayEdge::kStart);
    }
    if (!options.to.empty()) {
        filter.to = ParseDateBound(options.to, DayEdge::kEnd);
    }
    if (filter.from && filter.to && *filter.to < *filter.from) {
        return ReportUsageError("--from " + options.from + " is after --to " + options.to,
                                {kExportSynopsis});
    }
    // A closed pipe or a file size limit is then a failed write with a message, not a silent
    // death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::int64_t count = Export(options, filter);
    std::cerr << CountLine(count, options.totals, options.output) << '\n';
    return kSuccess;
}

}  // namespace tavix::admin
