#include "store/postgres/readings_source.hpp"

#include "store/postgres/admin_session.hpp"
#include "store/postgres/row_cursor.hpp"
#include "store/postgres/store_problems.hpp"
#include "store/value_text.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kReadAction = "read the readings";
constexpr std::string_view kSummaryAction = "count the readings";

// A WHERE clause and its parameters, numbered as they are added.
class Conditions {
  public:
    std::string Parameter(std::string value) {
        parameters_.emplace_back(std::move(value));
        std::string placeholder = "$";
        return placeholder += std::to_string(parameters_.size());
    }
    void Add(const std::string& condition) {
        clause_ += clause_.empty() ? " WHERE " : " AND ";
        clause_ += condition;
    }
    const std::string& Clause() const { return clause_; }
    const std::vector<postgres::Parameter>& Parameters() const { return parameters_; }

  private:
    std::string clause_;
    std::vector<postgres::Parameter> parameters_;
};

// The terminal column holds texts; a terminal edited to a number is kept as the number's
// general form ("6", "2.5"). So "6.0" also takes "6", as on an SQLite file it takes the
// number 6.
Conditions FilterConditions(const ReadingFilter& filter) {
    Conditions conditions;
    if (filter.terminal) {
        std::string condition = "terminal = " + conditions.Parameter(*filter.terminal);
        if (const auto number = NumberOfTerminal(*filter.terminal)) {
            const std::string general_form = GeneralForm(Value(*number));
            if (general_form != *filter.terminal) {
                condition =
                    "(" + condition + " OR terminal = " + conditions.Parameter(general_form) + ")";
            }
        }
        conditions.Add(condition);
    }
    if (filter.from) {
        conditions.Add("datetime >= " + conditions.Parameter(filter.from->ToSqlText()) +
                       "::timestamp");
    }
    if (filter.to) {
        conditions.Add("datetime <= " + conditions.Parameter(filter.to->ToSqlText()) +
                       "::timestamp");
    }
    return conditions;
}

std::int64_t IntegerIn(std::string_view text) {
    StoredField field;
    ReadStoredField(text, ColumnKind::kInteger, field);
    return field.integer;
}

StoredField TextField(const postgres::Result& result, int column) {
    StoredField field;
    if (!result.IsNull(0, column)) {
        ReadStoredField(result.Text(0, column), ColumnKind::kText, field);
    }
    return field;
}

}  // namespace

ReadingsSource::ReadingsSource(const std::string& uri) : connection_(OpenAdminConnection(uri)) {
    connection_.Execute("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY", kOpenAction);
    // The first query of the transaction takes the snapshot every later one reads.
    connection_.Execute("SELECT 1", kOpenAction);
}

std::unique_ptr<store::RowCursor> ReadingsSource::Readings(const ReadingFilter& filter) {
    const Conditions conditions = FilterConditions(filter);
    return std::make_unique<RowCursor>(
        connection_,
        "SELECT id, code, qt, terminal, datetime FROM readings" + conditions.Clause() +
            " ORDER BY id",
        conditions.Parameters(),
        std::vector{ColumnKind::kInteger, ColumnKind::kText, ColumnKind::kReal, ColumnKind::kText,
                    ColumnKind::kText},
        kReadAction);
}

std::unique_ptr<store::RowCursor> ReadingsSource::CodeTotals(const ReadingFilter& filter) {
    // Codes in the order of their bytes (collation "C") with the missing code first, and each
    // code's quantities added in id order: the order and the sums an SQLite file gives,
    // whatever the database's collation.
    const Conditions conditions = FilterConditions(filter);
    return std::make_unique<RowCursor>(
        connection_,
        "SELECT code COLLATE \"C\", sum(qt ORDER BY id), count(*) FROM readings" +
            conditions.Clause() + " GROUP BY 1 ORDER BY 1 NULLS FIRST",
        conditions.Parameters(),
        std::vector{ColumnKind::kText, ColumnKind::kReal, ColumnKind::kInteger},
        "add up the readings per code");
}

StoreSummary ReadingsSource::Summary() {
    StoreSummary summary;
    const postgres::Result totals = connection_.Execute(
        "SELECT count(*), min(datetime), max(datetime) FROM readings", kSummaryAction);
    summary.readings = IntegerIn(totals.Text(0, 0));
    summary.first_date_time = TextField(totals, 1);
    summary.last_date_time = TextField(totals, 2);
    RowCursor terminals(connection_, "SELECT terminal, count(*) FROM readings GROUP BY terminal",
                        {}, {ColumnKind::kText, ColumnKind::kInteger}, kSummaryAction);
    while (terminals.Next()) {
        summary.per_terminal.push_back({terminals.Fields()[0], terminals.Fields()[1].integer});
    }
    return summary;
}

std::vector<std::string> ReadingsSource::Problems() {
    return SchemaProblems(connection_);
}

std::vector<std::string> ReadingsSource::Notes() {
    return SchemaNotes(connection_);
}

}  // namespace tavix::store::postgres
