#include "store/postgres/table.hpp"

#include <cctype>

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"
#include "store/postgres/readings_schema.hpp"
#include "store/postgres/record_writes.hpp"

namespace tavix::store::postgres {

namespace {

std::string Lowered(std::string_view name) {
    std::string lowered(name);
    for (char& letter : lowered) {
        letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    }
    return lowered;
}

}  // namespace

Table::Table(std::shared_ptr<Session> session, std::string name)
    : session_(std::move(session)), name_(std::move(name)) {}

bool Table::Reachable() const {
    return session_->IsConnected() || session_->IsClosed();
}

bool Table::Attach(std::string_view action) {
    if (session_->IsClosed()) {
        Fail(action, "the database has been closed");
    }
    if (shape_read_) {
        return false;  // a connection made again serves the same table
    }
    session_->Run(action, [&](postgres::Connection& connection) { ReadShape(connection, action); });
    shape_read_ = true;
    return true;
}

void Table::ReadShape(postgres::Connection& connection, std::string_view action) {
    const postgres::Result table = connection.Execute(
        "SELECT oid::regclass::text, oid::text, relname = 'readings', relname FROM pg_class "
        "WHERE oid = to_regclass($1) AND relkind IN ('r', 'p')",
        {name_}, action);
    if (table.Rows() == 0) {
        Fail("open the table " + QuoteIdentifier(name_), "the database has no such table",
             ErrorKind::kNoSuchTable);
    }
    const std::string oid(table.Text(0, 1));
    const postgres::Result columns = connection.Execute(
        "SELECT a.attname, quote_ident(a.attname), t.typname, "
        "coalesce(a.attnum = ANY (i.indkey) AND i.indnkeyatts = 1, false), "
        "EXISTS (SELECT FROM pg_index u WHERE u.indrelid = a.attrelid AND u.indisunique "
        "AND u.indimmediate AND u.indisvalid AND u.indnkeyatts = 1 AND u.indkey[0] = a.attnum "
        "AND u.indpred IS NULL) "
        "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
        "LEFT JOIN pg_index i ON i.indrelid = a.attrelid AND i.indisprimary "
        "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
        {oid}, action);
    TableShape shape;
    shape.quoted_name = table.Text(0, 0);
    shape.readings_table = table.Text(0, 2) == "t";
    std::optional<std::size_t> key;
    for (int row = 0; row < columns.Rows(); ++row) {
        const ColumnType type = ColumnTypeOf(columns.Text(row, 2));
        shape.columns.push_back(
            {std::string(columns.Text(row, 0)), std::string(columns.Text(row, 1)), type});
        if (columns.Text(row, 3) == "t" && type == ColumnType::kInteger) {
            key = shape.columns.size() - 1;
        }
        if (columns.Text(row, 0) == kReadingKeyColumn && columns.Text(row, 2) == "uuid") {
            shape.reading_key_column = shape.columns.size() - 1;
            shape.reading_key_unique = columns.Text(row, 4) == "t";
        }
    }
    if (!key) {
        Fail("open the table " + QuoteIdentifier(name_),
             "the table has no primary key of one whole-number column to step through it by");
    }
    shape.key_column = *key;
    shape_ = std::move(shape);
    table_oid_ = oid;
    relation_name_ = table.Text(0, 3);
    ReadIndexes(connection, action);
    current_->Forget();
}

// The indexes a recordset may select, read with the table's shape so that selecting one costs
// no round trip: those on a whole column, each by the column its key starts with.
void Table::ReadIndexes(postgres::Connection& connection, std::string_view action) {
    const postgres::Result indexes = connection.Execute(
        "SELECT lower(ic.relname), a.attname FROM pg_index i "
        "JOIN pg_class ic ON ic.oid = i.indexrelid "
        "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
        "WHERE i.indrelid = $1::oid AND i.indpred IS NULL",
        {table_oid_}, action);
    index_columns_.clear();
    for (int row = 0; row < indexes.Rows(); ++row) {
        if (const std::optional<std::size_t> column = ColumnIndex(indexes.Text(row, 1))) {
            index_columns_.emplace(indexes.Text(row, 0), *column);
        }
    }
}

std::optional<std::size_t> Table::ColumnIndex(std::string_view field) const {
    for (std::size_t column = 0; column < shape_.columns.size(); ++column) {
        if (SameSqlName(shape_.columns[column].name, field)) {
            return column;
        }
    }
    return std::nullopt;
}

// An index is named as in the SQLite file ("Code") or as on the server, where index names are
// the schema's and so carry the table's ("readings_code"). Its first column is the key.
SelectedOrder Table::Order(std::string_view index_name) {
    if (index_name.empty()) {
        return {MakeTableOrder(*session_, shape_, current_), "", std::nullopt};
    }
    const std::string action = "select the index " + QuoteIdentifier(index_name);
    const std::optional<std::size_t> key_column = IndexColumn(index_name);
    if (!key_column) {
        Fail(action,
             "the table " + QuoteIdentifier(name_) + " has no index of that name on a column",
             ErrorKind::kNoSuchTable);
    }
    return {MakeIndexOrder(*session_, shape_, *key_column, current_), std::string(index_name),
            key_column};
}

// An index is found by its name alone or by its name after the table's and "_", the schema's
// way; the name alone wins.
std::optional<std::size_t> Table::IndexColumn(std::string_view index_name) const {
    const std::string name = Lowered(index_name);
    for (const std::string& candidate : {name, Lowered(relation_name_) + "_" + name}) {
        if (const auto found = index_columns_.find(candidate); found != index_columns_.end()) {
            return found->second;
        }
    }
    return std::nullopt;
}

// The record was read with the move onto it; only a record never moved onto since a change of
// this table's (a write forgets the row) is read here, whole, for the fields that follow.
Value Table::ReadField(std::int64_t rowid, std::size_t column, std::string_view action) {
    if (!current_->Holds(rowid)) {
        const std::string select = "SELECT " + shape_.ColumnList() + " FROM " + shape_.quoted_name +
                                   " WHERE " + shape_.Key().quoted + " = $1";
        session_->Run(action, [&](postgres::Connection& connection) {
            auto result = std::make_shared<const postgres::Result>(
                connection.Execute(select, {RowidParameter(rowid)}, action));
            if (result->Rows() == 0) {
                Fail(action, "the current record no longer exists (another session deleted it)");
            }
            current_->Keep({rowid}, std::move(result), 0);
        });
    }
    return current_->Field(column, shape_.columns.at(column).type);
}

std::unique_ptr<EditLock> Table::LockForEdit(std::int64_t rowid, std::string_view action) {
    return LockRecord(*session_, shape_, *current_, rowid, action);
}

void Table::Insert(const FieldValues& values) {
    current_->ForgetAhead();
    InsertRecord(*session_, shape_, values);
}

void Table::Update(std::unique_ptr<EditLock> lock, std::int64_t rowid, const FieldValues& values) {
    UpdateRecord(*session_, shape_, std::move(lock), *current_, rowid, values);
}

std::optional<std::vector<OrderKey>> Table::Delete(std::int64_t rowid) {
    current_->Forget();
    return DeleteRecord(*session_, shape_, rowid);
}

void Table::Fail(std::string_view action, std::string_view reason, ErrorKind kind) const {
    store::Fail(session_->Name(), action, reason, kind);
}

}  // namespace tavix::store::postgres
