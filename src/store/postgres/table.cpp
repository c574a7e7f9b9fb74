#include "store/postgres/table.hpp"

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"
#include "store/postgres/readings_schema.hpp"
#include "store/postgres/record_writes.hpp"

namespace tavix::store::postgres {

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
        "SELECT oid::regclass::text, oid::text, relname = 'readings' FROM pg_class "
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
        return {MakeTableOrder(*session_, shape_), "", std::nullopt};
    }
    const std::string action = "select the index " + QuoteIdentifier(index_name);
    const std::optional<std::string> column =
        session_->Run(action, [&](postgres::Connection& connection) -> std::optional<std::string> {
            const postgres::Result found = connection.Execute(
                "SELECT a.attname FROM pg_index i "
                "JOIN pg_class ic ON ic.oid = i.indexrelid "
                "JOIN pg_class tc ON tc.oid = i.indrelid "
                "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
                "WHERE i.indrelid = $1::oid AND i.indpred IS NULL "
                "AND lower(ic.relname) IN (lower($2), lower(tc.relname || '_' || $2)) "
                "ORDER BY lower(ic.relname) = lower($2) DESC LIMIT 1",
                {table_oid_, std::string(index_name)}, action);
            return found.Rows() == 0 ? std::nullopt : found.Field(0, 0);
        });
    const std::optional<std::size_t> key_column = column ? ColumnIndex(*column) : std::nullopt;
    if (!key_column) {
        Fail(action,
             "the table " + QuoteIdentifier(name_) + " has no index of that name on a column",
             ErrorKind::kNoSuchTable);
    }
    return {MakeIndexOrder(*session_, shape_, *key_column), std::string(index_name), key_column};
}

Value Table::ReadField(std::int64_t rowid, std::size_t column, std::string_view action) {
    const Column& read = shape_.columns.at(column);
    const std::string select = "SELECT " + read.quoted + " FROM " + shape_.quoted_name + " WHERE " +
                               shape_.Key().quoted + " = $1";
    return session_->Run(action, [&](postgres::Connection& connection) {
        const postgres::Result result = connection.Execute(select, {RowidParameter(rowid)}, action);
        if (result.Rows() == 0) {
            Fail(action, "the current record no longer exists (another session deleted it)");
        }
        return ValueFrom(result, 0, 0, read.type);
    });
}

std::unique_ptr<EditLock> Table::LockForEdit(std::int64_t rowid, std::string_view action) {
    return LockRecord(*session_, shape_, rowid, action);
}

void Table::Insert(const FieldValues& values) {
    InsertRecord(*session_, shape_, values);
}

void Table::Update(std::unique_ptr<EditLock> lock, std::int64_t rowid, const FieldValues& values) {
    UpdateRecord(*session_, shape_, std::move(lock), rowid, values);
}

std::optional<std::vector<OrderKey>> Table::Delete(std::int64_t rowid) {
    return DeleteRecord(*session_, shape_, rowid);
}

void Table::Fail(std::string_view action, std::string_view reason, ErrorKind kind) const {
    store::Fail(session_->Name(), action, reason, kind);
}

}  // namespace tavix::store::postgres
