#include "store/sqlite/readings_source.hpp"

#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/sqlite/row_cursor.hpp"
#include "store/sqlite/store_problems.hpp"

namespace tavix::store::sqlite {

namespace {

namespace table = readings_table;

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kReadAction = "read the readings";
constexpr std::string_view kSummaryAction = "count the readings";

std::string WhereClause(const ReadingFilter& filter) {
    std::string conditions;
    const auto add = [&](const std::string& condition) {
        conditions += conditions.empty() ? " WHERE " : " AND ";
        conditions += condition;
    };
    const std::string terminal = table::kTerminal;
    const std::string date_time = table::kDateTime;
    if (filter.terminal) {
        add(NumberOfTerminal(*filter.terminal)
                ? "(" + terminal + " = :terminal OR " + terminal + " = :terminal_number)"
                : terminal + " = :terminal");
    }
    if (filter.from || filter.to) {
        add("typeof(" + date_time + ") = 'text'");
    }
    if (filter.from) {
        add(date_time + " >= :from");
    }
    if (filter.to) {
        // To the second: a stored fraction of the last second is still inside.
        add("substr(" + date_time + ", 1, 19) <= :to");
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
    : connection_(std::move(path), kDefaultBusyTimeout, Connection::Expect::kDatabaseToRead) {
    connection_.Attach(kOpenAction);
    in_wal_mode_ = connection_.InWalMode();
    // The first read after BEGIN fixes the snapshot that every later query sees.
    connection_.Execute("BEGIN", kOpenAction);
    connection_.Execute("SELECT count(*) FROM sqlite_schema", kOpenAction);
}

std::unique_ptr<store::RowCursor> ReadingsSource::Filtered(const std::string& select,
                                                           const std::string& tail,
                                                           const ReadingFilter& filter,
                                                           std::string_view action) {
    auto cursor =
        std::make_unique<RowCursor>(connection_, select + WhereClause(filter) + tail, action);
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
        connection_,
        "SELECT count(*), min(" + date_time + "), max(" + date_time + ") FROM " + table::kTable,
        kSummaryAction);
    if (totals.Next()) {
        summary.readings = IntegerOf(totals.Fields()[0]);
        summary.first_date_time = totals.Fields()[1];
        summary.last_date_time = totals.Fields()[2];
    }
    const std::string terminal = table::kTerminal;
    RowCursor terminals(connection_,
                        "SELECT " + terminal + ", count(*) FROM " + table::kTable + " GROUP BY " +
                            terminal + " ORDER BY " + terminal,
                        kSummaryAction);
    while (terminals.Next()) {
        summary.per_terminal.push_back({terminals.Fields()[0], IntegerOf(terminals.Fields()[1])});
    }
    return summary;
}

std::vector<std::string> ReadingsSource::Problems() {
    std::vector<std::string> problems = IntegrityProblems(connection_);
    for (std::string& problem : SchemaProblems(connection_)) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

}  // namespace tavix::store::sqlite
