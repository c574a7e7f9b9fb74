#include "store/postgres/record_writes.hpp"

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"
#include "store/core/stored_text.hpp"
#include "store/postgres/current_row.hpp"
#include "store/postgres/reading_key.hpp"
#include "store/postgres/values.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kUpdateAction = "store the changed record";
constexpr std::string_view kDeleteAction = "delete the current record";

// The transaction of an edit, begun by LockRecord with the record locked (FOR UPDATE):
// another session's change of it waits until Update commits or the lock goes. Going without
// Update rolls the transaction back, unless the connection it was begun on is gone already,
// and with it the transaction.
class RowLock final : public EditLock {
  public:
    explicit RowLock(Session& session) : session_(&session), generation_(session.Generation()) {}

    ~RowLock() override {
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
    Session* session_;
    std::uint64_t generation_;
    bool open_ = true;
};

enum class Landed { kYes, kNo, kUnknown };

struct Landing {
    Landed landed;
    std::string why;  // why it is unknown
};

// Whether the new record with this key is stored, looked up on a new connection once the one
// that sent it was lost. Absent says only that it has not landed yet: its first sending may
// still be on its way, or in the middle of its commit.
Landing LandingAfterLoss(Session& session, const TableShape& shape, const std::string& key) {
    constexpr std::string_view kAction = "find out whether the new record was stored";
    try {
        const postgres::Result found = session.ReconnectAfterLoss(kAction).Execute(
            "SELECT count(*) FROM " + shape.quoted_name + " WHERE " +
                shape.columns[*shape.reading_key_column].quoted + " = $1::uuid",
            {key}, kAction);
        return {found.Text(0, 0) != "0" ? Landed::kYes : Landed::kNo, {}};
    } catch (const StoreError& error) {
        return {Landed::kUnknown, error.what()};
    }
}

// A value or a rule of the table (SQLSTATE classes 22 and 23) refuses the record whenever it is
// sent: the first sending was refused too. Anything else leaves the first sending's fate open.
bool RefusedForGood(const StoreError& error) {
    const auto* server_error = dynamic_cast<const postgres::PostgresError*>(&error);
    const std::string_view state = server_error != nullptr ? server_error->SqlState() : "";
    return state.starts_with("22") || state.starts_with("23");
}

// Sends the new record on the session's connection: false when the connection was lost on the
// way, so that whether it landed is not known.
bool Sent(Session& session, const std::string& sql,
          const std::vector<postgres::Parameter>& parameters) {
    try {
        session.Current().Execute(sql, parameters, kInsertAction);
        return true;
    } catch (const postgres::PostgresError& error) {
        if (!error.ConnectionLost()) {
            throw;
        }
        return false;
    }
}

std::string InsertSql(const TableShape& shape, const std::vector<std::string>& names) {
    std::string sql = "INSERT INTO " + shape.quoted_name;
    if (names.empty()) {
        return sql + " DEFAULT VALUES";
    }
    std::string listed, placeholders;
    for (std::size_t i = 0; i < names.size(); ++i) {
        listed += (i == 0 ? "" : ", ") + names[i];
        placeholders += (i == 0 ? "$" : ", $") + std::to_string(i + 1);
    }
    return sql + " (" + listed + ") VALUES (" + placeholders + ")";
}

// The new reading's fields by name; a field not given is null.
KeptReading ReadingOf(const TableShape& shape, const FieldValues& values) {
    KeptReading reading;
    const std::pair<const char*, Value*> fields[] = {{"code", &reading.code},
                                                     {"qt", &reading.qt},
                                                     {"terminal", &reading.terminal},
                                                     {"datetime", &reading.date_time}};
    for (const auto& [column, value] : values) {
        for (const auto& [name, field] : fields) {
            if (SameSqlName(shape.columns.at(column).name, name)) {
                *field = value;
            }
        }
    }
    return reading;
}

// A new reading whose outcome is unknown goes to the keeper, which resends it with its key
// until the server answers; it is then as good as stored. Without a keeper, or when it cannot
// keep it, the reading is durable nowhere the program knows of: not stored.
void KeepUnsettled(Session& session, const TableShape& shape, const FieldValues& values,
                   const std::string& key, const std::string& why) {
    const std::string unknown =
        "the connection to the server was lost as it was sent, and whether it was stored is "
        "unknown (reading_key " +
        key + "): " + why;
    ReadingKeeper* keeper = session.Keeper();
    if (keeper == nullptr || !shape.readings_table) {
        Fail(session.Name(), kInsertAction, unknown, ErrorKind::kConnectionLost);
    }
    try {
        keeper->Keep(key, ReadingOf(shape, values));
    } catch (const StoreError& error) {
        Fail(session.Name(), kInsertAction,
             unknown + "; nor could it be kept to be sent again: " + error.what(),
             ErrorKind::kConnectionLost);
    }
}

// "a" = $1, "b" = $2, ... for the columns of values.
std::string Assignments(const TableShape& shape, const FieldValues& values) {
    std::string assignments;
    int parameter = 0;
    for (const auto& [column, value] : values) {
        if (parameter > 0) {
            assignments += ", ";
        }
        ++parameter;
        assignments += shape.columns.at(column).quoted + " = $" + std::to_string(parameter);
    }
    return assignments;
}

// The stored texts of the text columns about to be written with a text, as the record was read
// when it was locked, so that a text written back as the program read it keeps the characters
// its code page lacks.
std::vector<std::optional<std::string>> StoredTexts(const TableShape& shape,
                                                    const CurrentRow& locked, std::int64_t rowid,
                                                    const FieldValues& values) {
    std::vector<std::optional<std::string>> stored(values.size());
    if (!locked.Holds(rowid)) {
        return stored;
    }
    std::size_t position = 0;
    for (const auto& [column, value] : values) {
        if (std::holds_alternative<std::string>(value) &&
            shape.columns[column].type == ColumnType::kText) {
            stored[position] = locked.StoredText(column);
        }
        ++position;
    }
    return stored;
}

std::vector<Parameter> WrittenValues(const TableShape& shape, const FieldValues& values,
                                     const std::vector<std::optional<std::string>>& stored) {
    std::vector<postgres::Parameter> parameters;
    std::size_t position = 0;
    for (const auto& [column, value] : values) {
        const auto* text = std::get_if<std::string>(&value);
        const std::optional<std::string>& before = stored[position++];
        if (text != nullptr && before && ProgramFormOf(*before) == *text) {
            parameters.push_back(before);
        } else {
            parameters.push_back(ParameterFor(value, shape.columns[column].type));
        }
    }
    return parameters;
}

}  // namespace

std::unique_ptr<EditLock> LockRecord(Session& session, const TableShape& shape, CurrentRow& current,
                                     std::int64_t rowid, std::string_view action) {
    const std::string lock = "SELECT " + shape.ColumnList() + " FROM " + shape.quoted_name +
                             " WHERE " + shape.Key().quoted + " = $1 FOR UPDATE";
    return session.Run(action, [&](postgres::Connection& connection) -> std::unique_ptr<EditLock> {
        // Made first, so that a failed lock still ends the transaction BEGIN opened.
        auto held = std::make_unique<RowLock>(session);
        auto locked = std::make_shared<const Result>(std::move(
            connection.ExecuteInOneTrip({{"BEGIN", {}}, {lock, {RowidParameter(rowid)}}}, action)
                .back()));
        if (locked->Rows() == 0) {
            current.Forget();  // gone: reading it fails from now on, as a move would find
            return nullptr;
        }
        current.Keep({rowid}, std::move(locked), 0);
        return held;
    });
}

void InsertRecord(Session& session, const TableShape& shape, const FieldValues& values) {
    std::vector<std::string> names;
    std::vector<postgres::Parameter> parameters;
    for (const auto& [column, value] : values) {
        names.push_back(shape.columns.at(column).quoted);
        parameters.push_back(ParameterFor(value, shape.columns[column].type));
    }
    std::optional<std::string> key;
    if (shape.reading_key_column && !values.contains(*shape.reading_key_column)) {
        key = NewReadingKey();
        names.push_back(shape.columns[*shape.reading_key_column].quoted);
        parameters.push_back(key);
    }
    std::string sql = InsertSql(shape, names);
    if (!key) {
        session.RunOnce(kInsertAction, [&](postgres::Connection& connection) {
            connection.Execute(sql, parameters, kInsertAction);
        });
        return;
    }
    if (shape.reading_key_unique) {
        // A copy of it that reached the server after all (held up on the way) then adds
        // nothing.
        sql += " ON CONFLICT (" + shape.columns[*shape.reading_key_column].quoted + ") DO NOTHING";
    }
    // A failure to connect sent nothing: not stored, as the error says.
    session.Connect(kInsertAction);
    // One statement outside any transaction block: its own transaction, committed before the
    // server answers (synchronous_commit is on). So it cannot be repeated blindly: when its
    // answer is lost, the key tells whether it landed.
    if (Sent(session, sql, parameters)) {
        return;
    }
    Landing landing = LandingAfterLoss(session, shape, *key);
    if (landing.landed == Landed::kNo && !shape.reading_key_unique) {
        landing = {Landed::kUnknown,
                   "it is not stored yet, and without a unique index on reading_key sending it "
                   "again could store it twice"};
    }
    if (landing.landed == Landed::kYes) {
        return;
    }
    if (landing.landed == Landed::kNo) {
        // The unique index on the key settles it: should the first sending still be in flight,
        // this one waits for its transaction and then adds nothing, or the record if it came to
        // nothing; should it arrive later, it adds nothing. So an answer means stored once.
        try {
            if (Sent(session, sql, parameters)) {
                return;
            }
            landing.why = "the connection was lost as it was sent again";
        } catch (const StoreError& error) {
            if (RefusedForGood(error)) {
                Fail(session.Name(), kInsertAction,
                     "the server refused it (reading_key " + *key + "): " + error.what(),
                     error.Kind());
            }
            landing.why = std::string("sending it again failed: ") + error.what();
        }
    }
    KeepUnsettled(session, shape, values, *key, landing.why);
}

void UpdateRecord(Session& session, const TableShape& shape, std::unique_ptr<EditLock> lock,
                  CurrentRow& current, std::int64_t rowid, const FieldValues& values) {
    auto& held = static_cast<RowLock&>(*lock);
    const std::vector<std::optional<std::string>> stored =
        StoredTexts(shape, current, rowid, values);
    current.Forget();
    if (!held.OnItsConnection()) {
        Fail(session.Name(), kUpdateAction,
             "the connection to the server was lost during the edit, so nothing was changed",
             ErrorKind::kConnectionLost);
    }
    std::vector<Connection::Statement> statements;
    if (!values.empty()) {
        std::vector<postgres::Parameter> parameters = WrittenValues(shape, values, stored);
        parameters.push_back(RowidParameter(rowid));
        statements.push_back({"UPDATE " + shape.quoted_name + " SET " + Assignments(shape, values) +
                                  " WHERE " + shape.Key().quoted + " = $" +
                                  std::to_string(parameters.size()),
                              std::move(parameters)});
    }
    statements.push_back({"COMMIT", {}});
    // A failed UPDATE leaves the COMMIT skipped and the transaction to the lock's ROLLBACK.
    const std::vector<Result> results =
        session.Current().ExecuteInOneTrip(statements, kUpdateAction);
    held.Ended();
    if (results.back().CommandStatus() != "COMMIT") {
        Fail(session.Name(), kUpdateAction,
             "the server rolled the change back, nothing was changed");
    }
}

std::optional<std::vector<OrderKey>> DeleteRecord(Session& session, const TableShape& shape,
                                                  std::int64_t rowid) {
    std::string returned;
    for (const Column& column : shape.columns) {
        returned += (returned.empty() ? "" : ", ") + column.quoted;
    }
    const std::string sql = "DELETE FROM " + shape.quoted_name + " WHERE " + shape.Key().quoted +
                            " = $1 RETURNING " + returned;
    // Repeating a DELETE is harmless: a first one that landed after all leaves nothing for the
    // second, which waits for it if it is still running.
    int attempts = 0;
    return session.Run(
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
                keys.push_back(std::make_shared<Key>(result.Field(0, column)));
            }
            return keys;
        });
}

}  // namespace tavix::store::postgres
