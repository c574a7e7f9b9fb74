#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>

#include "admin_command.hpp"
#include "count_text.hpp"
#include "export/date_bound.hpp"
#include "export/export_options.hpp"
#include "export/output.hpp"
#include "export/output_path.hpp"
#include "export/replacing_file.hpp"
#include "export/row_writer.hpp"
#include "store/database_target.hpp"
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

std::string FolderOf(const std::filesystem::path& path) {
    return path.parent_path().empty() ? "." : path.parent_path().string();
}

// Whether file is, or would be, the store or a file kept beside it (SQLite's, or the writers'
// queue): the same file, or the same name in the same folder, whether or not it exists yet.
// SQLite names its files after the store with its links followed, so the store is looked at both
// as named and as it lands.
bool IsAStoreFile(const std::string& file, const std::string& store) {
    std::error_code error;
    const std::filesystem::path landing = std::filesystem::canonical(store, error);
    for (const std::filesystem::path& named : {std::filesystem::path(store), landing}) {
        if (named.empty()) {
            continue;
        }
        for (const char* suffix : {"", "-journal", "-wal", "-shm", "-writers"}) {
            const std::string name = named.filename().string() + suffix;
            if (SameFile(file, named.string() + suffix) ||
                (std::filesystem::path(file).filename() == name &&
                 SameFile(FolderOf(file), FolderOf(named)))) {
                return true;
            }
        }
    }
    return false;
}

// Renaming the export over the store, or over the files SQLite keeps beside it, would destroy
// the readings or let the next program to open the store take the export for its journal.
void RefuseToOverwriteTheStore(const std::string& output, const std::string& file,
                               const std::string& store) {
    if (!store::IsPostgresTarget(store) && IsAStoreFile(file, store)) {
        throw OutputError("refusing to write the export over the store's own file " + output);
    }
}

// The export goes into a descriptor as it is (output_path.hpp); one that is not open for
// writing fails before the export begins.
int WritableDescriptor(int descriptor, const std::string& output) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        errno = EBADF;
        FailOutput("write to", output);
    }
    return descriptor;
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
    int fd = STDOUT_FILENO;
    if (!options.output.empty()) {
        const OutputPath path = ResolveOutputPath(options.output);
        if (path.descriptor) {
            RefuseToOverwriteTheStore(options.output, options.output, source->Name());
            fd = WritableDescriptor(*path.descriptor, options.output);
        } else {
            RefuseToOverwriteTheStore(options.output, path.file, source->Name());
            fd = file.emplace(options.output, path.file).Fd();
        }
    }
    Output output(fd, options.output.empty() ? std::string("standard output") : options.output);
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
