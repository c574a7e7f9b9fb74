#include "store/sqlite/forwarding_preparation.hpp"

#include "store/core/failure.hpp"
#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/database_file.hpp"
#include "store/sqlite/forwarding.hpp"
#include "store/sqlite/forwarding_schema.hpp"
#include "store/sqlite/table_schema.hpp"
#include "store/sqlite/transaction.hpp"

namespace tavix::store::sqlite {

namespace {

namespace table = readings_table;
namespace tables = forwarding_tables;

constexpr std::string_view kAction = "prepare it for forwarding";

std::string HowToPrepare(const std::string& path) {
    return "; prepare it once with: tavix-admin forward " + PathForCommand(path) +
           " URI, run by a user who may write the file and its folder";
}

// Called in a handler: a refusal to write gains how to prepare the file instead.
[[noreturn]] void RethrowWithAdvice(const StoreError& error, const std::string& path) {
    if (error.Kind() != ErrorKind::kReadOnly) {
        throw;
    }
    throw StoreError(error.what() + HowToPrepare(path), ErrorKind::kReadOnly);
}

// The triggers and the outbox's query need the table and the columns a reading has.
void RequireReadingsTable(Connection& connection) {
    const std::string& path = connection.Path();
    if (!HasTable(connection, table::kTable)) {
        Fail(path, kAction,
             std::string("it is not a readings file: it has no table ") + table::kTable,
             ErrorKind::kNoSuchTable);
    }
    const TableSchema schema = LoadTableSchema(connection, table::kTable);
    for (const char* column :
         {table::kCode, table::kQuantity, table::kTerminal, table::kDateTime}) {
        if (!schema.ColumnIndex(column)) {
            Fail(path, kAction,
                 std::string("it is not a readings file: the table ") + table::kTable +
                     " has no column " + column,
                 ErrorKind::kNoSuchTable);
        }
    }
}

// Every reading already in the file gets a key and is queued, in the order it was stored.
void QueueHistory(Connection& connection) {
    connection.Execute(std::string("INSERT INTO ") + tables::kReadingKeys +
                           " (ReadingID, ReadingKey) SELECT rowid, " + NewKeySql() + " FROM " +
                           table::kTable + " ORDER BY rowid",
                       kAction);
    connection.Execute(std::string("INSERT INTO ") + tables::kOutbox +
                           " (ReadingKey, QueuedAt) SELECT ReadingKey, "
                           "datetime('now', 'localtime') FROM " +
                           tables::kReadingKeys + " ORDER BY ReadingID",
                       kAction);
}

void Prepare(Connection& connection, History history) {
    ImmediateTransaction transaction(connection, kAction);
    // Another program may have prepared it while this one waited for the lock.
    if (FindForwardingKind(connection) != ForwardingKind::kNone) {
        return;
    }
    CreateForwardingObjects(connection, ReadingsFileObjects());
    if (history == History::kQueue) {
        QueueHistory(connection);
    }
    transaction.Commit();
}

}  // namespace

void PrepareOpenFile(Connection& connection, History history) {
    if (FindForwardingKind(connection) != ForwardingKind::kNone) {
        return;
    }
    RequireReadingsTable(connection);
    const std::string& path = connection.Path();
    if (connection.IsReadOnly()) {
        Fail(path, kAction, "the file is read-only for this user" + HowToPrepare(path),
             ErrorKind::kReadOnly);
    }
    try {
        Prepare(connection, history);
    } catch (const StoreError& error) {
        RethrowWithAdvice(error, path);
    }
}

void PrepareForwarding(const std::string& file, History history) {
    Connection connection(file, kDefaultBusyTimeout);
    try {
        // Opening a file in WAL mode that no program has open makes its -shm beside it.
        connection.Attach(kAction);
    } catch (const StoreError& error) {
        RethrowWithAdvice(error, file);
    }
    PrepareOpenFile(connection, history);
}

}  // namespace tavix::store::sqlite
