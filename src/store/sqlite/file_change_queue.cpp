#include "store/sqlite/file_change_queue.hpp"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "store/core/failure.hpp"
#include "store/readings_table.hpp"
#include "store/sqlite/forwarding_schema.hpp"
#include "store/sqlite/transaction.hpp"
#include "store/value_text.hpp"

namespace tavix::store::sqlite {

namespace {

namespace tables = forwarding_tables;
namespace table = readings_table;
using forwarding::Change;

constexpr std::string_view kReadAction = "read the changes waiting to be forwarded";
constexpr std::string_view kAcknowledgeAction = "drop the changes the server holds";
constexpr std::string_view kSetAsideAction = "set aside a change the server refused";

// Each key's latest sequence in the stretch, with its reading as held now through the key;
// no reading when it is gone. The columns: key, sequence, rowid, the reading's four fields.
std::string NextFromOutboxSql() {
    return std::string("SELECT o.ReadingKey, max(o.Sequence), r.rowid, r.") + table::kCode +
           ", r." + table::kQuantity + ", r." + table::kTerminal + ", r." + table::kDateTime +
           " FROM (SELECT Sequence, ReadingKey FROM " + tables::kOutbox +
           " WHERE Sequence > ?1 ORDER BY Sequence LIMIT ?2) AS o LEFT JOIN " +
           tables::kReadingKeys + " AS k ON k.ReadingKey = o.ReadingKey LEFT JOIN " +
           table::kTable + " AS r ON r.rowid = k.ReadingID GROUP BY o.ReadingKey ORDER BY 2";
}

// The same columns for a spool, whose keys are each kept once.
std::string NextFromSpoolSql() {
    return std::string("SELECT ReadingKey, Sequence, 0, Code, Qt, Terminal, DateTime FROM ") +
           tables::kSpool + " WHERE Sequence > ?1 ORDER BY Sequence LIMIT ?2";
}

Change ChangeFromRow(Statement& row, FileChangeQueue::Kind kind) {
    Change change;
    StoredField field;
    row.ReadStoredField(0, field);
    change.reading_key = field.text;
    change.sequence = row.ColumnInt64(1);
    for (std::size_t column = 0; column < change.reading.size(); ++column) {
        row.ReadStoredField(static_cast<int>(column) + 3, change.reading[column]);
    }
    if (kind == FileChangeQueue::Kind::kSpool) {
        change.kind = Change::Kind::kAdd;
        return change;
    }
    row.ReadStoredField(2, field);
    change.kind =
        field.kind == StoredField::Kind::kNull ? Change::Kind::kRemove : Change::Kind::kPut;
    change.source_id = change.kind == Change::Kind::kPut ? field.integer : 0;
    return change;
}

std::string ReadSource(Connection& connection) {
    Query query(connection, std::string("SELECT Source FROM ") + tables::kForwarding,
                "read the file's source key");
    StoredField source;
    if (query.Step()) {
        query->ReadStoredField(0, source);
    }
    if (source.kind != StoredField::Kind::kText || query.Step()) {
        Fail(connection.Path(), "read the file's source key",
             std::string("the table ") + tables::kForwarding +
                 " does not hold one source key (see tavix-admin check)",
             ErrorKind::kCorrupt);
    }
    return source.text;
}

// Where the file is, for an administrator reading the server: host and absolute path.
std::string OriginOf(const std::string& path) {
    char host[HOST_NAME_MAX + 1] = {};
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return std::string(::gethostname(host, sizeof host - 1) == 0 ? host : "?") + ":" +
           (error ? path : absolute.lexically_normal().string());
}

// A spool's reading set aside is kept nowhere else: the reason carries its values, so that an
// administrator can still store it by hand.
std::string FieldText(const StoredField& field) {
    switch (field.kind) {
        case StoredField::Kind::kNull:
            return "NULL";
        case StoredField::Kind::kInteger:
            return std::to_string(field.integer);
        case StoredField::Kind::kReal: {
            std::string text;
            AppendNumber(text, field.real);
            return text;
        }
        case StoredField::Kind::kText:
            break;
    }
    return "'" + field.text + "'";
}

std::string ReasonWithReading(const Change& change, const std::string& reason) {
    if (change.kind != Change::Kind::kAdd) {
        return reason;
    }
    const char* names[] = {"code", "qt", "terminal", "DateTime"};
    std::string reading;
    for (std::size_t column = 0; column < change.reading.size(); ++column) {
        reading += (reading.empty() ? "" : ", ") + std::string(names[column]) + " " +
                   FieldText(change.reading[column]);
    }
    return reason + " (the reading: " + reading + ")";
}

}  // namespace

FileChangeQueue::FileChangeQueue(std::unique_ptr<Connection> connection, Kind kind)
    : connection_(std::move(connection)),
      kind_(kind),
      table_(kind == Kind::kSpool ? tables::kSpool : tables::kOutbox),
      source_(ReadSource(*connection_)),
      origin_(OriginOf(connection_->Path())) {}

std::int64_t FileChangeQueue::LastSequence() {
    Query query(*connection_, "SELECT seq FROM sqlite_sequence WHERE name = ?1", kReadAction);
    query->BindStoredText(1, table_);
    return query.Step() ? query->ColumnInt64(0) : 0;
}

forwarding::Batch FileChangeQueue::Next(std::int64_t after, std::size_t at_most) {
    forwarding::Batch batch;
    // One statement: one read transaction, so every reading is seen as of one moment.
    Query query(*connection_, kind_ == Kind::kSpool ? NextFromSpoolSql() : NextFromOutboxSql(),
                kReadAction);
    query->Bind(1, after);
    query->Bind(2, static_cast<std::int64_t>(at_most));
    while (query.Step()) {
        batch.changes.push_back(ChangeFromRow(*query, kind_));
        batch.through = std::max(batch.through, batch.changes.back().sequence);
    }
    return batch;
}

bool FileChangeQueue::HoldsAnyThrough(std::int64_t through) {
    Query query(*connection_, "SELECT 1 FROM " + table_ + " WHERE Sequence <= ?1 LIMIT 1",
                kAcknowledgeAction);
    query->Bind(1, through);
    return query.Step();
}

// Without the write lock when there is nothing to drop, as at the start of most passes.
void FileChangeQueue::Acknowledge(std::int64_t through) {
    if (!HoldsAnyThrough(through)) {
        return;
    }
    ImmediateTransaction transaction(*connection_, kAcknowledgeAction);
    {
        Query drop(*connection_, "DELETE FROM " + table_ + " WHERE Sequence <= ?1",
                   kAcknowledgeAction);
        drop->Bind(1, through);
        drop.Step();
    }
    transaction.Commit();
}

void FileChangeQueue::SetAside(const Change& change, const std::string& reason) {
    ImmediateTransaction transaction(*connection_, kSetAsideAction);
    {
        Query keep(*connection_,
                   std::string("INSERT OR REPLACE INTO ") + tables::kSetAside +
                       " (Sequence, ReadingKey, Reason, SetAsideAt) VALUES (?1, ?2, ?3, "
                       "datetime('now', 'localtime'))",
                   kSetAsideAction);
        keep->Bind(1, change.sequence);
        keep->BindStoredText(2, change.reading_key);
        keep->BindStoredText(3, ReasonWithReading(change, reason));
        keep.Step();
    }
    {
        Query drop(*connection_,
                   "DELETE FROM " + table_ + " WHERE ReadingKey = ?1 AND Sequence <= ?2",
                   kSetAsideAction);
        drop->BindStoredText(1, change.reading_key);
        drop->Bind(2, change.sequence);
        drop.Step();
    }
    transaction.Commit();
}

std::int64_t FileChangeQueue::Waiting() {
    Query query(*connection_, "SELECT count(*) FROM " + table_, kReadAction);
    return query.Step() ? query->ColumnInt64(0) : 0;
}

}  // namespace tavix::store::sqlite
