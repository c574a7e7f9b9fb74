#include "sqlite_table.hpp"

#include "query.hpp"
#include "sqlite_record_orders.hpp"
#include "sqlite_record_writes.hpp"
#include "sqlite_store.hpp"
#include "store_failure.hpp"
#include "transaction.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kDeleteAction = "delete the current record";

// An edit holds the file's write lock from Edit on: nobody else writes until Update.
class SqliteEditLock final : public EditLock {
  public:
    SqliteEditLock(Connection& connection, std::string_view action)
        : transaction(connection, action) {}

    ImmediateTransaction transaction;
};

class SqliteStore final : public StoreBackend {
  public:
    explicit SqliteStore(std::shared_ptr<Connection> connection)
        : connection_(std::move(connection)) {}

    const std::string& Name() const override { return connection_->Path(); }

    std::unique_ptr<StoreTable> OpenTable(const std::string& table) override {
        if (connection_->IsClosed()) {
            Fail(connection_->Path(), "open the table " + QuoteIdentifier(table),
                 "the database has been closed");
        }
        return std::make_unique<SqliteTable>(connection_, table);
    }

    void Close() noexcept override { connection_->Close(); }

  private:
    std::shared_ptr<Connection> connection_;
};

}  // namespace

SqliteTable::SqliteTable(std::shared_ptr<Connection> connection, std::string name)
    : connection_(std::move(connection)), name_(std::move(name)) {}

bool SqliteTable::Reachable() const {
    return connection_->IsOpen() || connection_->IsClosed();
}

bool SqliteTable::Attach(std::string_view action) {
    connection_->Attach(action);
    if (generation_ == connection_->Generation()) {
        return false;
    }
    schema_ = LoadTableSchema(*connection_, name_);
    generation_ = connection_->Generation();
    return true;
}

std::optional<std::size_t> SqliteTable::ColumnIndex(std::string_view field) const {
    return schema_.ColumnIndex(field);
}

SelectedOrder SqliteTable::Order(std::string_view index_name) {
    if (index_name.empty()) {
        return {MakeTableOrder(*connection_, schema_), "", std::nullopt};
    }
    const IndexOnColumn index = FindIndex(*connection_, schema_, index_name);
    return {MakeIndexOrder(*connection_, schema_, index), index.index_name,
            schema_.ColumnIndex(index.column_name)};
}

Value SqliteTable::ReadField(std::int64_t rowid, std::size_t column, std::string_view action) {
    // Only the one column: SQLite loads every column a query names, and another tool may
    // have stored megabytes in the others.
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

std::unique_ptr<EditLock> SqliteTable::LockForEdit(std::int64_t rowid, std::string_view action) {
    auto lock = std::make_unique<SqliteEditLock>(*connection_, action);
    Query query(*connection_,
                "SELECT 1 FROM " + QuoteIdentifier(schema_.name) + " WHERE rowid = ?1", action);
    query->Bind(1, rowid);
    if (!query.Step()) {
        return nullptr;
    }
    return lock;
}

void SqliteTable::Insert(const FieldValues& values) {
    ImmediateTransaction transaction(*connection_, kInsertAction);
    InsertRecord(*connection_, schema_, values);
    transaction.Commit();
}

void SqliteTable::Update(std::unique_ptr<EditLock> lock, std::int64_t rowid,
                         const FieldValues& values) {
    auto& held = static_cast<SqliteEditLock&>(*lock);
    UpdateRecord(*connection_, schema_, rowid, values);
    held.transaction.Commit();
}

std::optional<std::vector<OrderKey>> SqliteTable::Delete(std::int64_t rowid) {
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
            keys.push_back(std::make_shared<SqliteKey>(query->ColumnSqlValue(column)));
        }
        while (query.Step()) {
        }
    }
    transaction.Commit();
    return keys;
}

std::shared_ptr<StoreBackend> OpenSqliteStore(const std::string& path,
                                              std::chrono::milliseconds busy_timeout) {
    auto connection = std::make_shared<Connection>(path, busy_timeout);
    // Without waiting: the program opens its store before its first screen, which must not
    // stand blank while another program holds the file.
    try {
        connection->AttachWithoutWaiting("open the database");
    } catch (const StoreError& error) {
        if (!error.MayPass()) {
            throw;
        }
        // A file not made yet, a full disk or a lock: the first use tries again.
    }
    return std::make_shared<SqliteStore>(std::move(connection));
}

}  // namespace tavix::store
