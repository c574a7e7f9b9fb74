#include "postgres_table.hpp"

#include <strings.h>

#include "postgres_readings_schema.hpp"
#include "reading_key.hpp"
#include "store_failure.hpp"
#include "stored_text.hpp"
#include "table_schema.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kUpdateAction = "store the changed record";
constexpr std::string_view kDeleteAction = "delete the current record";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

postgres::Parameter RowidParameter(std::int64_t rowid) {
    return std::to_string(rowid);
}

// The transaction of an edit, begun by LockForEdit with the record locked (FOR UPDATE):
// another session's change of it waits until Update commits or the lock goes. Going without
// Update rolls the transaction back, unless the connection it was begun on is gone already,
// and with it the transaction.
class PostgresEditLock final : public EditLock {
  public:
    explicit PostgresEditLock(PostgresSession& session)
        : session_(&session), generation_(session.Generation()) {}

    ~PostgresEditLock() override {
        if (!OnItsConnection()) {
            return;
        }
        try {
            session_->Current().Execute("ROLLBACK", "let go of the edited record");
        } catch (const StoreError&) {
            // The connection went with the transaction.
        }
    }

    bool OnItsConnection() const {
        return open_ && session_->IsConnected() && session_->Generation() == generation_;
    }

    // COMMIT ends the transaction whatever its answer.
    void Ended() { open_ = false; }

  private:
    PostgresSession* session_;
    std::uint64_t generation_;
    bool open_ = true;
};

}  // namespace

PostgresTable::PostgresTable(std::shared_ptr<PostgresSession> session, std::string name)
    : session_(std::move(session)), name_(std::move(name)) {}

bool PostgresTable::Reachable() const {
    return session_->IsConnected() || session_->IsClosed();
}

bool PostgresTable::Attach(std::string_view action) {
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

void PostgresTable::ReadShape(postgres::Connection& connection, std::string_view action) {
    const postgres::Result table = connection.Execute(
        "SELECT oid::regclass::text, oid::text FROM pg_class "
        "WHERE oid = to_regclass($1) AND relkind IN ('r', 'p')",
        {name_}, action);
    if (table.Rows() == 0) {
        Fail("open the table " + QuoteIdentifier(name_), "the database has no such table",
             ErrorKind::kNoSuchTable);
    }
    const std::string oid(table.Text(0, 1));
    const postgres::Result columns = connection.Execute(
        "SELECT a.attname, quote_ident(a.attname), t.typname, "
        "coalesce(a.attnum = ANY (i.indkey) AND i.indnkeyatts = 1, false) "
        "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
        "LEFT JOIN pg_index i ON i.indrelid = a.attrelid AND i.indisprimary "
        "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
        {oid}, action);
    PostgresTableShape shape{std::string(table.Text(0, 0)), 0, {}};
    std::optional<std::size_t> key, reading_key;
    for (int row = 0; row < columns.Rows(); ++row) {
        const ColumnType type = ColumnTypeOf(columns.Text(row, 2));
        shape.columns.push_back(
            {std::string(columns.Text(row, 0)), std::string(columns.Text(row, 1)), type});
        if (columns.Text(row, 3) == "t" && type == ColumnType::kInteger) {
            key = shape.columns.size() - 1;
        }
        if (columns.Text(row, 0) == postgres_readings::kReadingKey &&
            columns.Text(row, 2) == "uuid") {
            reading_key = shape.columns.size() - 1;
        }
    }
    if (!key) {
        Fail("open the table " + QuoteIdentifier(name_),
             "the table has no primary key of one whole-number column to step through it by");
    }
    shape.key_column = *key;
    shape_ = std::move(shape);
    reading_key_column_ = reading_key;
    table_oid_ = oid;
}

std::optional<std::size_t> PostgresTable::ColumnIndex(std::string_view field) const {
    for (std::size_t column = 0; column < shape_.columns.size(); ++column) {
        if (SameName(shape_.columns[column].name, field)) {
            return column;
        }
    }
    return std::nullopt;
}

// An index is named as in the SQLite file ("Code") or as on the server, where index names are
// the schema's and so carry the table's ("readings_code"). Its first column is the key.
SelectedOrder PostgresTable::Order(std::string_view index_name) {
    if (index_name.empty()) {
        return {MakePostgresTableOrder(*session_, shape_), "", std::nullopt};
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
    return {MakePostgresIndexOrder(*session_, shape_, *key_column), std::string(index_name),
            key_column};
}

Value PostgresTable::ReadField(std::int64_t rowid, std::size_t column, std::string_view action) {
    const PostgresColumn& read = shape_.columns.at(column);
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

std::unique_ptr<EditLock> PostgresTable::LockForEdit(std::int64_t rowid, std::string_view action) {
    const std::string lock = "SELECT 1 FROM " + shape_.quoted_name + " WHERE " +
                             shape_.Key().quoted + " = $1 FOR UPDATE";
    return session_->Run(
        action, [&](postgres::Connection& connection) -> std::unique_ptr<EditLock> {
            connection.Execute("BEGIN", action);
            auto held = std::make_unique<PostgresEditLock>(*session_);
            if (connection.Execute(lock, {RowidParameter(rowid)}, action).Rows() == 0) {
                return nullptr;
            }
            return held;
        });
}

void PostgresTable::Insert(const FieldValues& values) {
    std::vector<std::string> names;
    std::vector<postgres::Parameter> parameters;
    for (const auto& [column, value] : values) {
        names.push_back(shape_.columns.at(column).quoted);
        parameters.push_back(ParameterFor(value, shape_.columns[column].type));
    }
    std::optional<std::string> key;
    if (reading_key_column_ && !values.contains(*reading_key_column_)) {
        key = NewReadingKey();
        names.push_back(shape_.columns[*reading_key_column_].quoted);
        parameters.push_back(key);
    }
    std::string sql = "INSERT INTO " + shape_.quoted_name;
    if (names.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string listed, placeholders;
        for (std::size_t i = 0; i < names.size(); ++i) {
            listed += (i == 0 ? "" : ", ") + names[i];
            placeholders += (i == 0 ? "$" : ", $") + std::to_string(i + 1);
        }
        sql += " (" + listed + ") VALUES (" + placeholders + ")";
    }
    // One statement outside any transaction block: its own transaction, committed before the
    // server answers (synchronous_commit is on). So it cannot be repeated blindly: when its
    // answer is lost, the key tells whether it landed.
    try {
        session_->RunOnce(kInsertAction, [&](postgres::Connection& connection) {
            connection.Execute(sql, parameters, kInsertAction);
        });
        return;
    } catch (const postgres::PostgresError& error) {
        if (!error.ConnectionLost() || !key) {
            throw;
        }
    }
    if (!StoredAfterLoss(*key)) {
        Fail(kInsertAction,
             "the connection to the server was lost as it was sent, and it was not stored",
             ErrorKind::kConnectionLost);
    }
}

bool PostgresTable::StoredAfterLoss(const std::string& key) {
    constexpr std::string_view kAction = "find out whether the new record was stored";
    postgres::Connection& connection = session_->SettleLostConnection(kAction);
    const postgres::Result found =
        connection.Execute("SELECT count(*) FROM " + shape_.quoted_name + " WHERE " +
                               shape_.columns[*reading_key_column_].quoted + " = $1::uuid",
                           {key}, kAction);
    return found.Text(0, 0) != "0";
}

void PostgresTable::Update(std::unique_ptr<EditLock> lock, std::int64_t rowid,
                           const FieldValues& values) {
    auto& held = static_cast<PostgresEditLock&>(*lock);
    if (!held.OnItsConnection()) {
        Fail(kUpdateAction,
             "the connection to the server was lost during the edit, so nothing was changed",
             ErrorKind::kConnectionLost);
    }
    postgres::Connection& connection = session_->Current();
    if (!values.empty()) {
        std::vector<postgres::Parameter> parameters =
            WrittenValues(values, StoredTexts(connection, rowid, values));
        parameters.push_back(RowidParameter(rowid));
        connection.Execute("UPDATE " + shape_.quoted_name + " SET " + Assignments(values) +
                               " WHERE " + shape_.Key().quoted + " = $" +
                               std::to_string(parameters.size()),
                           parameters, kUpdateAction);
    }
    held.Ended();
    if (connection.Execute("COMMIT", kUpdateAction).CommandStatus() != "COMMIT") {
        Fail(kUpdateAction, "the server rolled the change back, nothing was changed");
    }
}

// "a" = $1, "b" = $2, ... for the columns of values.
std::string PostgresTable::Assignments(const FieldValues& values) const {
    std::string assignments;
    int parameter = 0;
    for (const auto& [column, value] : values) {
        if (parameter > 0) {
            assignments += ", ";
        }
        ++parameter;
        assignments += shape_.columns.at(column).quoted + " = $" + std::to_string(parameter);
    }
    return assignments;
}

// The stored texts of the text columns about to be written with a text, so that a text
// written back as the program read it keeps the characters its code page lacks.
std::vector<std::optional<std::string>> PostgresTable::StoredTexts(postgres::Connection& connection,
                                                                   std::int64_t rowid,
                                                                   const FieldValues& values) {
    std::vector<std::optional<std::string>> stored(values.size());
    std::string listed;
    std::vector<std::size_t> positions;
    std::size_t position = 0;
    for (const auto& [column, value] : values) {
        if (std::holds_alternative<std::string>(value) &&
            shape_.columns[column].type == ColumnType::kText) {
            listed += (listed.empty() ? "" : ", ") + shape_.columns[column].quoted;
            positions.push_back(position);
        }
        ++position;
    }
    if (positions.empty()) {
        return stored;
    }
    const postgres::Result row =
        connection.Execute("SELECT " + listed + " FROM " + shape_.quoted_name + " WHERE " +
                               shape_.Key().quoted + " = $1",
                           {RowidParameter(rowid)}, kUpdateAction);
    for (std::size_t i = 0; i < positions.size() && row.Rows() > 0; ++i) {
        stored[positions[i]] = row.Field(0, static_cast<int>(i));
    }
    return stored;
}

std::vector<postgres::Parameter> PostgresTable::WrittenValues(
    const FieldValues& values, const std::vector<std::optional<std::string>>& stored) const {
    std::vector<postgres::Parameter> parameters;
    std::size_t position = 0;
    for (const auto& [column, value] : values) {
        const auto* text = std::get_if<std::string>(&value);
        const std::optional<std::string>& before = stored[position++];
        if (text != nullptr && before && ProgramFormOf(*before) == *text) {
            parameters.push_back(before);
        } else {
            parameters.push_back(ParameterFor(value, shape_.columns[column].type));
        }
    }
    return parameters;
}

std::optional<std::vector<OrderKey>> PostgresTable::Delete(std::int64_t rowid) {
    std::string returned;
    for (const PostgresColumn& column : shape_.columns) {
        returned += (returned.empty() ? "" : ", ") + column.quoted;
    }
    const std::string sql = "DELETE FROM " + shape_.quoted_name + " WHERE " + shape_.Key().quoted +
                            " = $1 RETURNING " + returned;
    // Repeating a DELETE is harmless: a first one that landed after all leaves nothing for the
    // second, which waits for it if it is still running.
    int attempts = 0;
    return session_->Run(
        kDeleteAction,
        [&](postgres::Connection& connection) -> std::optional<std::vector<OrderKey>> {
            ++attempts;
            const postgres::Result result =
                connection.Execute(sql, {RowidParameter(rowid)}, kDeleteAction);
            if (result.Rows() == 0) {
                // After a lost first attempt, gone means deleted by it (or by another session at
                // the same time): the record is gone as asked, its keys are not known.
                return attempts > 1 ? std::optional(std::vector<OrderKey>()) : std::nullopt;
            }
            std::vector<OrderKey> keys;
            for (int column = 0; column < result.Columns(); ++column) {
                keys.push_back(std::make_shared<PostgresKey>(result.Field(0, column)));
            }
            return keys;
        });
}

void PostgresTable::Fail(std::string_view action, std::string_view reason, ErrorKind kind) const {
    store::Fail(session_->Name(), action, reason, kind);
}

}  // namespace tavix::store
