#include "store/sqlite/table.hpp"

#include "store/sqlite/connection.hpp"
#include "store/sqlite/errors.hpp"
#include "store/sqlite/record_orders.hpp"
#include "store/sqlite/record_writes.hpp"
#include "store/sqlite/transaction.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kDeleteAction = "delete the current record";

// An edit holds the file's write lock from Edit on: nobody else writes until Update.
class FileWriteLock final : public EditLock {
  public:
    FileWriteLock(Connection& connection, std::string_view action)
        : transaction(connection, action) {}

    ImmediateTransaction transaction;
    std::vector<SqlValue> stored_row;  // as read under the lock
};

}  // namespace

Table::Table(std::shared_ptr<Connection> connection, std::string name)
    : connection_(std::move(connection)), name_(std::move(name)) {}

bool Table::Reachable() const {
    return connection_->IsOpen() || connection_->IsClosed();
}

bool Table::Attach(std::string_view action) {
    connection_->Attach(action);
    if (generation_ == connection_->Generation()) {
        return false;
    }
    current_->Forget();
    schema_ = LoadTableSchema(*connection_, name_);
    generation_ = connection_->Generation();
    return true;
}

std::optional<std::size_t> Table::ColumnIndex(std::string_view field) const {
    return schema_.ColumnIndex(field);
}

SelectedOrder Table::Order(std::string_view index_name) {
    if (index_name.empty()) {
        return {MakeTableOrder(*connection_, schema_, current_), "", std::nullopt};
    }
    const IndexOnColumn index = FindIndex(*connection_, schema_, index_name);
    return {MakeIndexOrder(*connection_, schema_, index, current_), index.index_name,
            schema_.ColumnIndex(index.column_name)};
}

// The record was read with the move onto it. Only when someone committed to the file since is
// it read again, whole, for the fields that follow: a record another program changed shows the
// change, one it deleted fails.
Value Table::ReadField(std::int64_t rowid, std::size_t column, std::string_view action) {
    if (!current_->IsCurrent(rowid, connection_->ChangeMarkNow()) && !ReadRecord(rowid, action)) {
        Fail(connection_->Path(), action,
             "the current record no longer exists (another program deleted it)");
    }
    if (const std::optional<Value>& kept = current_->Field(column)) {
        return *kept;
    }
    return ReadColumnAlone(rowid, column, action);
}

bool Table::ReadRecord(std::int64_t rowid, std::string_view action,
                       std::vector<SqlValue>* stored_row) {
    const std::optional<ChangeMark> mark = connection_->ChangeMarkNow();
    Query query(*connection_,
                "SELECT * FROM " + QuoteIdentifier(schema_.name) + " WHERE rowid = ?1", action);
    query->Bind(1, rowid);
    if (!query.Step()) {
        current_->Forget();
        return false;
    }
    current_->Keep(rowid, mark, *query, 0);
    for (int column = 0; stored_row != nullptr && column < query->ColumnCount(); ++column) {
        stored_row->push_back(query->ColumnSqlValue(column));
    }
    return true;
}

// Only the one column: SQLite loads every column a query names, and this one is large.
Value Table::ReadColumnAlone(std::int64_t rowid, std::size_t column, std::string_view action) {
    const std::string select = "SELECT " + QuoteIdentifier(schema_.columns.at(column).name) +
                               " FROM " + QuoteIdentifier(schema_.name) + " WHERE rowid = ?1";
    Query query(*connection_, select, action);
    query->Bind(1, rowid);
    if (!query.Step()) {
        Fail(connection_->Path(), action,
             "the current record no longer exists (another program deleted it)");
    }
    return query->ColumnValue(0);
}

// The record is read again under the write lock: what the edit then shows is what it overwrites.
std::unique_ptr<EditLock> Table::LockForEdit(std::int64_t rowid, std::string_view action) {
    auto lock = std::make_unique<FileWriteLock>(*connection_, action);
    if (!ReadRecord(rowid, action, &lock->stored_row)) {
        return nullptr;
    }
    return lock;
}

void Table::Insert(const FieldValues& values) {
    ImmediateTransaction transaction(*connection_, kInsertAction);
    InsertRecord(*connection_, schema_, values);
    transaction.Commit();
}

void Table::Update(std::unique_ptr<EditLock> lock, std::int64_t rowid, const FieldValues& values) {
    auto& held = static_cast<FileWriteLock&>(*lock);
    UpdateRecord(*connection_, schema_, rowid, held.stored_row, values);
    held.transaction.Commit();
}

std::optional<std::vector<OrderKey>> Table::Delete(std::int64_t rowid) {
    current_->Forget();
    ImmediateTransaction transaction(*connection_, kDeleteAction);
    std::vector<OrderKey> keys;
    {
        Query query(
            *connection_,
            "DELETE FROM " + QuoteIdentifier(schema_.name) + " WHERE rowid = ?1 RETURNING *",
            kDeleteAction);
        query->Bind(1, rowid);
        if (!query.Step()) {
            return std::nullopt;
        }
        for (int column = 0; column < query->ColumnCount(); ++column) {
            keys.push_back(std::make_shared<Key>(query->ColumnSqlValue(column)));
        }
        while (query.Step()) {
        }
    }
    transaction.Commit();
    return keys;
}

}  // namespace tavix::store::sqlite
