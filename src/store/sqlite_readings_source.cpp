#include "sqlite_readings_source.hpp"

#include <sqlite3.h>

#include "database_file.hpp"
#include "readings_table.hpp"
#include "sqlite_access_reasons.hpp"
#include "sqlite_connection.hpp"
#include "sqlite_handle.hpp"
#include "sqlite_row_cursor.hpp"
#include "store_failure.hpp"
#include "timestamp.hpp"

namespace tavix::store {

namespace {

namespace table = readings_table;

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kReadAction = "read the readings";
constexpr std::string_view kSummaryAction = "count the readings";

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

void BindFilter(SqliteRowCursor& cursor, const ReadingFilter& filter) {
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

SqliteReadingsSource::SqliteReadingsSource(std::string path) : path_(std::move(path)) {
    CheckDatabaseFileKind(path_);
    // Read-only: nothing done through this connection can change the file.
    db_ = OpenSqliteHandle(path_, SQLITE_OPEN_READONLY, kDefaultBusyTimeout, kOpenAction);
    try {
        CheckDatabaseHeader(path_, db_);
        SqliteRowCursor journal_mode(db_, path_, "PRAGMA journal_mode", kOpenAction);
        in_wal_mode_ = journal_mode.Next() && journal_mode.Fields()[0].text == "wal";
        // The first read after BEGIN fixes the snapshot that every later query sees.
        Execute("BEGIN", kOpenAction);
        SqliteRowCursor schema(db_, path_, "SELECT count(*) FROM sqlite_schema", kOpenAction);
        schema.Next();
        AddDateTimeFunction(db_);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

SqliteReadingsSource::~SqliteReadingsSource() {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

void SqliteReadingsSource::AddDateTimeFunction(sqlite3* db) {
    const int result = sqlite3_create_function_v2(
        db, kDateTimeFunction, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
        DateTimeOf, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, kOpenAction, db, result);
    }
}

// Outside WAL mode the read transaction's shared lock keeps every writer out, and the rows go
// at the pace of whoever reads the output: a program storing a reading would give up waiting.
// So the snapshot is first copied whole into a private temporary database, under the lock for
// just that long, and read from there.
void SqliteReadingsSource::ReadFromACopyUnlessInWalMode() {
    if (in_wal_mode_ || copied_) {
        return;
    }
    constexpr std::string_view kCopyAction =
        "copy it into the temporary folder (TMPDIR, else /var/tmp) to read it without locking it";
    // An empty name: a private database in a temporary file, removed when it is closed.
    sqlite3* copy = nullptr;
    int result = sqlite3_open_v2("", &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result == SQLITE_OK) {
        sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db_, "main");
        result = backup != nullptr ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy);
        const int finished = sqlite3_backup_finish(backup);
        result = result == SQLITE_DONE ? finished : result;
    }
    try {
        if (result != SQLITE_OK) {
            FailOnSqlite(path_, kCopyAction, copy, result);
        }
        AddDateTimeFunction(copy);
    } catch (...) {
        sqlite3_close(copy);
        throw;
    }
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
    db_ = copy;
    copied_ = true;
}

void SqliteReadingsSource::Execute(const char* sql, std::string_view action) {
    const int result = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action, db_, result);
    }
}

std::unique_ptr<RowCursor> SqliteReadingsSource::Filtered(const std::string& select,
                                                          const std::string& tail,
                                                          const ReadingFilter& filter,
                                                          std::string_view action) {
    ReadFromACopyUnlessInWalMode();
    auto cursor =
        std::make_unique<SqliteRowCursor>(db_, path_, select + WhereClause(filter) + tail, action);
    BindFilter(*cursor, filter);
    return cursor;
}

std::unique_ptr<RowCursor> SqliteReadingsSource::Readings(const ReadingFilter& filter) {
    return Filtered(std::string("SELECT ") + table::kId + ", " + table::kCode + ", " +
                        table::kQuantity + ", " + table::kTerminal + ", " + table::kDateTime +
                        " FROM " + table::kTable,
                    " ORDER BY rowid", filter, kReadAction);
}

std::unique_ptr<RowCursor> SqliteReadingsSource::CodeTotals(const ReadingFilter& filter) {
    // Grouped along the index on code, so one code's readings at a time are in memory.
    const std::string code = table::kCode;
    return Filtered(
        "SELECT " + code + ", sum(" + table::kQuantity + "), count(*) FROM " + table::kTable,
        " GROUP BY " + code + " ORDER BY " + code, filter, "add up the readings per code");
}

StoreSummary SqliteReadingsSource::Summary() {
    StoreSummary summary;
    const std::string date_time = table::kDateTime;
    SqliteRowCursor totals(
        db_, path_,
        "SELECT count(*), min(" + date_time + "), max(" + date_time + ") FROM " + table::kTable,
        kSummaryAction);
    if (totals.Next()) {
        summary.readings = IntegerOf(totals.Fields()[0]);
        summary.first_date_time = totals.Fields()[1];
        summary.last_date_time = totals.Fields()[2];
    }
    const std::string terminal = table::kTerminal;
    SqliteRowCursor terminals(db_, path_,
                              "SELECT " + terminal + ", count(*) FROM " + table::kTable +
                                  " GROUP BY " + terminal + " ORDER BY " + terminal,
                              kSummaryAction);
    while (terminals.Next()) {
        summary.per_terminal.push_back({terminals.Fields()[0], IntegerOf(terminals.Fields()[1])});
    }
    return summary;
}

std::vector<std::string> SqliteReadingsSource::Problems() {
    std::vector<std::string> problems = FilesBesideProblems(path_);
    for (std::string& problem : IntegrityProblems(db_, path_)) {
        problems.push_back(std::move(problem));
    }
    for (std::string& problem : SchemaProblems(db_, path_)) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

}  // namespace tavix::store
