#include "store/sqlite/forwarding_schema.hpp"

#include "store/readings_table.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

namespace {

namespace tables = forwarding_tables;

constexpr std::string_view kAction = "prepare the file for forwarding";
constexpr char kNow[] = "datetime('now', 'localtime')";

std::string Table(const std::string& name, const std::string& columns) {
    return "CREATE TABLE " + name + " (" + columns + ")";
}

// Puts the key that the reading at rowid (an SQL expression) holds in the outbox, if it has
// one; "and" narrows it further.
std::string QueueKeyOf(const std::string& rowid, const std::string& and_also = "") {
    return std::string("INSERT INTO ") + tables::kOutbox + " (ReadingKey, QueuedAt) SELECT " +
           "ReadingKey, " + kNow + " FROM " + tables::kReadingKeys + " WHERE ReadingID = " + rowid +
           and_also + "; ";
}

std::string DropKeyOf(const std::string& rowid, const std::string& and_also = "") {
    return std::string("DELETE FROM ") + tables::kReadingKeys + " WHERE ReadingID = " + rowid +
           and_also + "; ";
}

std::string Trigger(const std::string& name, const std::string& event, const std::string& body) {
    return "CREATE TRIGGER " + name + " AFTER " + event + " ON " + readings_table::kTable +
           " BEGIN " + body + "END";
}

// A key still held by the new rowid belongs to a reading an INSERT OR REPLACE (or UPDATE OR
// REPLACE) overwrote: SQLite fires no delete trigger for it, so its removal is queued here.
std::string InsertTrigger() {
    return Trigger("TavixQueueInsert", "INSERT",
                   QueueKeyOf("new.rowid") + DropKeyOf("new.rowid") + "INSERT INTO " +
                       tables::kReadingKeys + " (ReadingID, ReadingKey) VALUES (new.rowid, " +
                       NewKeySql() + "); " + QueueKeyOf("new.rowid"));
}

// A reading whose rowid changes keeps its key, and so its row on the server.
std::string UpdateTrigger() {
    const std::string moved = " AND new.rowid <> old.rowid";
    return Trigger("TavixQueueUpdate", "UPDATE",
                   QueueKeyOf("new.rowid", moved) + DropKeyOf("new.rowid", moved) + "UPDATE " +
                       tables::kReadingKeys + " SET ReadingID = new.rowid WHERE ReadingID = " +
                       "old.rowid" + moved + "; " + QueueKeyOf("new.rowid"));
}

std::string DeleteTrigger() {
    return Trigger("TavixQueueDelete", "DELETE", QueueKeyOf("old.rowid") + DropKeyOf("old.rowid"));
}

ForwardingObject ForwardingTable() {
    return {"table", tables::kForwarding,
            Table(tables::kForwarding, "Source TEXT NOT NULL, PreparedAt TEXT NOT NULL")};
}

ForwardingObject SetAsideTable() {
    return {"table", tables::kSetAside,
            Table(tables::kSetAside,
                  "Sequence INTEGER PRIMARY KEY, ReadingKey TEXT NOT NULL, Reason TEXT NOT NULL, "
                  "SetAsideAt TEXT NOT NULL")};
}

}  // namespace

std::string NewKeySql() {
    return "lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
           "substr(hex(randomblob(2)), 2) || '-' || substr('89AB', 1 + (random() & 3), 1) || "
           "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))";
}

std::vector<ForwardingObject> ReadingsFileObjects() {
    return {
        ForwardingTable(),
        {"table", tables::kReadingKeys,
         Table(tables::kReadingKeys,
               "ReadingID INTEGER PRIMARY KEY, ReadingKey TEXT NOT NULL UNIQUE")},
        {"table", tables::kOutbox,
         Table(tables::kOutbox,
               "Sequence INTEGER PRIMARY KEY AUTOINCREMENT, ReadingKey TEXT NOT NULL, "
               "QueuedAt TEXT NOT NULL")},
        SetAsideTable(),
        {"trigger", "TavixQueueInsert", InsertTrigger()},
        {"trigger", "TavixQueueUpdate", UpdateTrigger()},
        {"trigger", "TavixQueueDelete", DeleteTrigger()},
    };
}

// The kept readings' columns take the values as Readings would: the same declared types.
std::vector<ForwardingObject> SpoolObjects() {
    return {
        ForwardingTable(),
        SetAsideTable(),
        {"table", tables::kSpool,
         Table(tables::kSpool,
               "Sequence INTEGER PRIMARY KEY AUTOINCREMENT, ReadingKey TEXT NOT NULL UNIQUE, "
               "Code TEXT, Qt REAL, Terminal, DateTime DATETIME, KeptAt TEXT NOT NULL")},
    };
}

void CreateForwardingObjects(Connection& connection, const std::vector<ForwardingObject>& objects) {
    for (const ForwardingObject& object : objects) {
        connection.Execute(object.sql, kAction);
    }
    connection.Execute(std::string("INSERT INTO ") + tables::kForwarding +
                           " (Source, PreparedAt) VALUES (" + NewKeySql() + ", " + kNow + ")",
                       kAction);
}

bool HasTable(Connection& connection, const std::string& table) {
    Query query(connection,
                "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                "read the file's tables");
    query->Bind(1, Value(table));
    return query.Step();
}

ForwardingKind FindForwardingKind(Connection& connection) {
    bool any = false;
    for (const char* table :
         {tables::kForwarding, tables::kReadingKeys, tables::kOutbox, tables::kSetAside}) {
        any = any || HasTable(connection, table);
    }
    if (HasTable(connection, tables::kSpool)) {
        return ForwardingKind::kSpool;
    }
    if (!any) {
        return ForwardingKind::kNone;
    }
    return HasTable(connection, readings_table::kTable) ? ForwardingKind::kReadingsFile
                                                        : ForwardingKind::kSpool;
}

}  // namespace tavix::store::sqlite
