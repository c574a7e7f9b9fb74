#include "store/sqlite/readings_source.hpp"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "store/core/failure.hpp"
#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/sqlite/access_reasons.hpp"
#include "store/sqlite/row_cursor.hpp"
#include "store/sqlite/store_problems.hpp"
#include "store/timestamp.hpp"

namespace tavix::store::sqlite {

namespace {

namespace table = readings_table;

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kReadAction = "read the readings";
constexpr std::string_view kSummaryAction = "count the readings";
constexpr std::string_view kCopyAction =
    "copy it into the temporary folder (TMPDIR, else /var/tmp) to read it without locking it";

// The SQL function that gives a stored DateTime as "YYYY-MM-DD HH:MM:SS" when it is a real date
// and time, and NULL otherwise: a plain comparison of texts would take "soon" as after every
// date and "" as before.
constexpr const char* kDateTimeFunction = "tavix_date_time";

void DateTimeOf(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) != SQLITE_TEXT) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const auto timestamp = Timestamp::FromStoredText(
        std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(arguments[0]))));
    if (!timestamp) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_text(context, timestamp->ToSqlText().c_str(), -1, SQLITE_TRANSIENT);
}

// An empty private file for the copy of a store, in the temporary folder.
std::string NewTemporaryFile(const std::string& store) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/var/tmp") +
                          "/tavix-copy-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        Fail(store, kCopyAction, std::strerror(errno), ErrorKind::kIo);
    }
    ::close(fd);
    return pattern;
}

std::string WhereClause(const ReadingFilter& filter) {
    std::string conditions;
    const auto add = [&](const std::string& condition) {
        conditions += conditions.empty() ? " WHERE " : " AND ";
        conditions += condition;
    };
    const std::string terminal = table::kTerminal;
    const std::string date_time =
        std::string(kDateTimeFunction) + "(" + std::string(table::kDateTime) + ")";
    if (filter.terminal) {
        add(NumberOfTerminal(*filter.terminal)
                ? "(" + terminal + " = :terminal OR " + terminal + " = :terminal_number)"
                : terminal + " = :terminal");
    }
    if (filter.from) {
        add(date_time + " >= :from");
    }
    if (filter.to) {
        add(date_time + " <= :to");
    }
    return conditions;
}

void BindFilter(RowCursor& cursor, const ReadingFilter& filter) {
    if (filter.terminal) {
        cursor.Bind(":terminal", *filter.terminal);
        if (const auto number = NumberOfTerminal(*filter.terminal)) {
            cursor.Bind(":terminal_number", *number);
        }
    }
    if (filter.from) {
        cursor.Bind(":from", filter.from->ToSqlText());
    }
    if (filter.to) {
        cursor.Bind(":to", filter.to->ToSqlText());
    }
}

std::int64_t IntegerOf(const StoredField& field) {
    return field.kind == StoredField::Kind::kInteger ? field.integer : 0;
}

}  // namespace

// Read-only: nothing done through this connection can change the file.
ReadingsSource::ReadingsSource(std::string path)
    : path_(std::move(path)),
      connection_(std::make_unique<Connection>(path_, kDefaultBusyTimeout,
                                               Connection::Expect::kDatabaseToRead)) {
    connection_->Attach(kOpenAction);
    in_wal_mode_ = connection_->InWalMode();
    // The first read after BEGIN fixes the snapshot that every later query sees.
    connection_->Execute("BEGIN", kOpenAction);
    connection_->Execute("SELECT count(*) FROM sqlite_schema", kOpenAction);
    connection_->DefineFunction(kDateTimeFunction, 1, DateTimeOf, kOpenAction);
}

ReadingsSource::~ReadingsSource() {
    connection_.reset();
    if (!copy_path_.empty()) {
        ::unlink(copy_path_.c_str());
    }
}

// Outside WAL mode the read transaction's shared lock keeps every writer out, and the rows go
// at the pace of whoever reads the output: a program storing a reading would give up waiting.
// So the snapshot is first copied whole into a private temporary file, under the lock for just
// that long, and read from there.
void ReadingsSource::ReadFromACopyUnlessInWalMode() {
    if (in_wal_mode_ || !copy_path_.empty()) {
        return;
    }
    copy_path_ = NewTemporaryFile(path_);
    connection_->CopyInto(copy_path_, kCopyAction);
    auto copy = std::make_unique<Connection>(copy_path_, kDefaultBusyTimeout,
                                             Connection::Expect::kDatabaseToRead);
    copy->Attach(kCopyAction);
    copy->DefineFunction(kDateTimeFunction, 1, DateTimeOf, kCopyAction);
    connection_ = std::move(copy);  // the file's connection closes and lets go of its lock
}

std::unique_ptr<store::RowCursor> ReadingsSource::Filtered(const std::string& select,
                                                           const std::string& tail,
                                                           const ReadingFilter& filter,
                                                           std::string_view action) {
    ReadFromACopyUnlessInWalMode();
    auto cursor =
        std::make_unique<RowCursor>(*connection_, select + WhereClause(filter) + tail, action);
    BindFilter(*cursor, filter);
    return cursor;
}

std::unique_ptr<store::RowCursor> ReadingsSource::Readings(const ReadingFilter& filter) {
    return Filtered(std::string("SELECT ") + table::kId + ", " + table::kCode + ", " +
                        table::kQuantity + ", " + table::kTerminal + ", " + table::kDateTime +
                        " FROM " + table::kTable,
                    " ORDER BY rowid", filter, kReadAction);
}

std::unique_ptr<store::RowCursor> ReadingsSource::CodeTotals(const ReadingFilter& filter) {
    // Grouped along the index on code, so one code's readings at a time are in memory.
    const std::string code = table::kCode;
    return Filtered(
        "SELECT " + code + ", sum(" + table::kQuantity + "), count(*) FROM " + table::kTable,
        " GROUP BY " + code + " ORDER BY " + code, filter, "add up the readings per code");
}

StoreSummary ReadingsSource::Summary() {
    StoreSummary summary;
    const std::string date_time = table::kDateTime;
    RowCursor totals(
        *connection_,
        "SELECT count(*), min(" + date_time + "), max(" + date_time + ") FROM " + table::kTable,
        kSummaryAction);
    if (totals.Next()) {
        summary.readings = IntegerOf(totals.Fields()[0]);
        summary.first_date_time = totals.Fields()[1];
        summary.last_date_time = totals.Fields()[2];
    }
    const std::string terminal = table::kTerminal;
    RowCursor terminals(*connection_,
                        "SELECT " + terminal + ", count(*) FROM " + table::kTable + " GROUP BY " +
                            terminal + " ORDER BY " + terminal,
                        kSummaryAction);
    while (terminals.Next()) {
        summary.per_terminal.push_back({terminals.Fields()[0], IntegerOf(terminals.Fields()[1])});
    }
    return summary;
}

std::vector<std::string> ReadingsSource::Problems() {
    std::vector<std::string> problems = FilesBesideProblems(path_);
    for (std::string& problem : IntegrityProblems(*connection_)) {
        problems.push_back(std::move(problem));
    }
    for (std::string& problem : SchemaProblems(*connection_)) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

}  // namespace tavix::store::sqlite
