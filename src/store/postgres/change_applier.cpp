#include <algorithm>
#include <optional>
#include <unordered_map>

#include "store/core/failure.hpp"
#include "store/postgres/admin_session.hpp"
#include "store/postgres/client/password_mask.hpp"
#include "store/postgres/client/transaction.hpp"
#include "store/postgres/column_values.hpp"
#include "store/postgres/forwarding.hpp"
#include "store/postgres/store_problems.hpp"

namespace tavix::store::postgres {

namespace {

using forwarding::Batch;
using forwarding::Change;

constexpr std::string_view kReadAction = "read what was forwarded";
constexpr std::string_view kApplyAction = "apply the forwarded changes";

// Readings go as one array per column, unnested by the server: a statement as short to parse
// and plan for a thousand readings as for one, where a multi-row INSERT of as many parameters
// costs more at each transaction's start than the rows themselves. A reading already there
// under its key is overwritten by the terminal's later change, or left alone.
constexpr const char* kPutReadings =
    "INSERT INTO readings (code, qt, terminal, datetime, reading_key, source, source_id) "
    "SELECT code, qt, terminal, datetime, reading_key, $6::uuid, source_id FROM unnest("
    "$1::text[], $2::double precision[], $3::text[], $4::timestamp[], $5::uuid[], $7::bigint[]) "
    "AS r (code, qt, terminal, datetime, reading_key, source_id) "
    "ON CONFLICT (reading_key) DO UPDATE SET code = excluded.code, qt = excluded.qt, "
    "terminal = excluded.terminal, datetime = excluded.datetime, source = excluded.source, "
    "source_id = excluded.source_id";
constexpr const char* kAddReadings =
    "INSERT INTO readings (code, qt, terminal, datetime, reading_key) SELECT * FROM unnest("
    "$1::text[], $2::double precision[], $3::text[], $4::timestamp[], $5::uuid[]) "
    "ON CONFLICT (reading_key) DO NOTHING";
constexpr const char* kRemoveReadings = "DELETE FROM readings WHERE reading_key = ANY ($1::uuid[])";

// An array literal of values: each element quoted, so that no text stands for two, or NULL.
class ArrayLiteral {
  public:
    void Add(const Parameter& value) {
        if (text_.size() > 1) {
            text_ += ',';
        }
        if (!value) {
            text_ += "NULL";
            return;
        }
        text_ += '"';
        for (const char c : *value) {
            if (c == '"' || c == '\\') {
                text_ += '\\';
            }
            text_ += c;
        }
        text_ += '"';
    }
    Parameter Done() { return std::move(text_) + "}"; }

  private:
    std::string text_ = "{";
};

// The changes the server has not applied yet, each reading's latest only, split by kind in the
// order of the queue.
struct PendingChanges {
    std::vector<const Change*> puts, adds, removes;

    std::size_t Count() const { return puts.size() + adds.size() + removes.size(); }
};

PendingChanges PendingAfter(const Batch& batch, std::int64_t applied) {
    std::unordered_map<std::string_view, const Change*> latest;
    for (const Change& change : batch.changes) {
        const Change*& kept = latest[change.reading_key];
        if (change.sequence > applied && (kept == nullptr || change.sequence > kept->sequence)) {
            kept = &change;
        }
    }
    PendingChanges pending;
    for (const Change& change : batch.changes) {
        if (latest[change.reading_key] != &change) {
            continue;
        }
        switch (change.kind) {
            case Change::Kind::kPut:
                pending.puts.push_back(&change);
                break;
            case Change::Kind::kAdd:
                pending.adds.push_back(&change);
                break;
            case Change::Kind::kRemove:
                pending.removes.push_back(&change);
                break;
        }
    }
    return pending;
}

// What a refusal names: the one reading, or the stretch of the batch it is in.
std::string ApplyingAction(const PendingChanges& pending, const Batch& batch) {
    if (pending.Count() == 1) {
        const Change* only = !pending.puts.empty()   ? pending.puts.front()
                             : !pending.adds.empty() ? pending.adds.front()
                                                     : pending.removes.front();
        return "forward the change of the reading " + only->reading_key;
    }
    return "forward " + std::to_string(pending.Count()) + " changes of readings (" +
           batch.changes.front().reading_key + " to " + batch.changes.back().reading_key + ")";
}

// The server's answer to a value or a rule of the table (SQLSTATE classes 22 and 23) holds for
// any later try too.
bool RefusedForGood(const PostgresError& error) {
    const std::string_view state = error.SqlState();
    return state.starts_with("22") || state.starts_with("23");
}

class ServerApplier final : public forwarding::ChangeApplier {
  public:
    explicit ServerApplier(std::string uri) : uri_(std::move(uri)), name_(MaskPassword(uri_)) {}

    const std::string& Name() const override { return name_; }

    std::int64_t AppliedThrough(const std::string& source) override {
        return Guarded([&] {
            const Result result =
                Connected().Execute("SELECT last_change FROM tavix_forwarding WHERE source = $1",
                                    {source}, kReadAction);
            return result.Rows() == 0 ? 0 : std::stoll(std::string(result.Text(0, 0)));
        });
    }

    std::int64_t Apply(const std::string& source, const std::string& origin,
                       const Batch& batch) override {
        return Guarded([&] {
            Connection& connection = Connected();
            Transaction transaction(connection, kApplyAction);
            const std::int64_t applied = TakeSource(connection, source, origin);
            if (batch.through <= applied) {
                return applied;  // a resend after a commit whose answer was lost
            }
            ApplyChanges(connection, source, batch, PendingAfter(batch, applied));
            connection.Execute(
                "UPDATE tavix_forwarding SET last_change = $2, updated = now() WHERE source = $1",
                {source, std::to_string(batch.through)}, kApplyAction);
            transaction.Commit();
            return batch.through;
        });
    }

  private:
    // Any failure but a refusal leaves the connection to be made again by the next call: lost,
    // or in a state not worth finding out.
    template <typename Operation>
    std::int64_t Guarded(Operation operation) {
        try {
            return operation();
        } catch (const forwarding::ChangeRefused&) {
            throw;
        } catch (const StoreError&) {
            connection_.reset();
            throw;
        }
    }

    Connection& Connected() {
        if (connection_ && !connection_->DroppedWhileIdle()) {
            return *connection_;
        }
        connection_.emplace(OpenAdminConnection(uri_));
        if (const std::optional<std::string> lack = ForwardingLack(*connection_)) {
            Fail(name_, "forward changes into it", *lack);
        }
        return *connection_;
    }

    // Locks the source's row, made on its first batch, for the transaction: a second forwarder
    // of the same file waits here until the first has committed, then sees what it applied.
    static std::int64_t TakeSource(Connection& connection, const std::string& source,
                                   const std::string& origin) {
        StoredField origin_text{StoredField::Kind::kText, 0, 0, origin};
        const Result result = connection.Execute(
            "INSERT INTO tavix_forwarding (source, last_change, origin) VALUES ($1, 0, $2) "
            "ON CONFLICT (source) DO UPDATE SET origin = excluded.origin RETURNING last_change",
            {source, TextColumnValue(origin_text, "origin").parameter}, kApplyAction);
        return std::stoll(std::string(result.Text(0, 0)));
    }

    void ApplyChanges(Connection& connection, const std::string& source, const Batch& batch,
                      const PendingChanges& pending) {
        if (pending.Count() == 0) {
            return;
        }
        const std::string action = ApplyingAction(pending, batch);
        try {
            InsertRows(connection, source, pending.puts, true, action);
            InsertRows(connection, source, pending.adds, false, action);
            RemoveRows(connection, pending.removes, action);
        } catch (const PostgresError& error) {
            if (RefusedForGood(error)) {
                throw forwarding::ChangeRefused(error.what(), ErrorKind::kConstraint);
            }
            throw;
        }
    }

    // The readings' values converted as tavix-admin copy converts them, and their keys; a put
    // also says where it came from.
    static void InsertRows(Connection& connection, const std::string& source,
                           const std::vector<const Change*>& changes, bool put,
                           const std::string& action) {
        if (changes.empty()) {
            return;
        }
        ArrayLiteral code, qt, terminal, date_time, key, source_id;
        for (const Change* change : changes) {
            code.Add(TextColumnValue(change->reading[0], "code").parameter);
            qt.Add(NumberColumnValue(change->reading[1], "qt").parameter);
            terminal.Add(TextColumnValue(change->reading[2], "terminal").parameter);
            date_time.Add(DateTimeColumnValue(change->reading[3], "DateTime").parameter);
            key.Add(change->reading_key);
            source_id.Add(std::to_string(change->source_id));
        }
        std::vector<Parameter> parameters{code.Done(), qt.Done(), terminal.Done(), date_time.Done(),
                                          key.Done()};
        if (put) {
            parameters.emplace_back(source);
            parameters.push_back(source_id.Done());
        }
        connection.Execute(put ? kPutReadings : kAddReadings, parameters, action);
    }

    static void RemoveRows(Connection& connection, const std::vector<const Change*>& changes,
                           const std::string& action) {
        if (changes.empty()) {
            return;
        }
        ArrayLiteral keys;
        for (const Change* change : changes) {
            keys.Add(change->reading_key);
        }
        connection.Execute(kRemoveReadings, {keys.Done()}, action);
    }

    std::string uri_;
    std::string name_;
    std::optional<Connection> connection_;
};

}  // namespace

std::unique_ptr<forwarding::ChangeApplier> OpenChangeApplier(const std::string& uri) {
    return std::make_unique<ServerApplier>(uri);
}

}  // namespace tavix::store::postgres
