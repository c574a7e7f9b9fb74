#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "postgres_session.hpp"
#include "postgres_values.hpp"
#include "store_table.hpp"

namespace tavix::store {

struct PostgresColumn {
    std::string name;    // as the catalog spells it
    std::string quoted;  // for SQL text
    ColumnType type;
};

// What the orders need to know of a table on the server: its name for SQL text, its key (the
// rowid of the recordset: a single whole-number primary key column) and its columns.
struct PostgresTableShape {
    std::string quoted_name;
    std::size_t key_column = 0;
    std::vector<PostgresColumn> columns;

    const PostgresColumn& Key() const { return columns[key_column]; }
};

// A key as the server returned it, in UTF-8; nothing for NULL.
class PostgresKey final : public StoredKey {
  public:
    explicit PostgresKey(std::optional<std::string> text) : text_(std::move(text)) {}
    const std::optional<std::string>& Text() const { return text_; }

  private:
    std::optional<std::string> text_;
};

// The table's own order (ascending key) and the order of an index on key_column (ascending,
// equal values in the table's own order, NULL first), as keyset queries each a seek in a
// B-tree index (postgres_record_orders.cpp).
std::unique_ptr<RecordOrder> MakePostgresTableOrder(PostgresSession& session,
                                                    const PostgresTableShape& shape);
std::unique_ptr<RecordOrder> MakePostgresIndexOrder(PostgresSession& session,
                                                    const PostgresTableShape& shape,
                                                    std::size_t key_column);

// A table on a PostgreSQL server. Each change is a transaction of its own, reported done only
// once the server has acknowledged its commit. A new record gets a key of the program's own
// (a uuid column reading_key) before it is sent: when the connection is lost during its commit,
// the record is looked up by it after connecting again, and it is reported stored exactly when
// it is there.
class PostgresTable final : public StoreTable {
  public:
    PostgresTable(std::shared_ptr<PostgresSession> session, std::string name);

    const std::string& StoreName() const override { return session_->Name(); }
    bool Reachable() const override;
    bool Attach(std::string_view action) override;
    std::optional<std::size_t> ColumnIndex(std::string_view field) const override;
    SelectedOrder Order(std::string_view index_name) override;
    Value ReadField(std::int64_t rowid, std::size_t column, std::string_view action) override;
    std::unique_ptr<EditLock> LockForEdit(std::int64_t rowid, std::string_view action) override;
    void Insert(const FieldValues& values) override;
    void Update(std::unique_ptr<EditLock> lock, std::int64_t rowid,
                const FieldValues& values) override;
    std::optional<std::vector<OrderKey>> Delete(std::int64_t rowid) override;

  private:
    void ReadShape(postgres::Connection& connection, std::string_view action);
    [[noreturn]] void Fail(std::string_view action, std::string_view reason,
                           ErrorKind kind = ErrorKind::kOther) const;
    // Whether the new record with this key is stored, once the connection that sent it was
    // lost; throws when that cannot be found out.
    bool StoredAfterLoss(const std::string& key);
    std::vector<postgres::Parameter> WrittenValues(
        const FieldValues& values, const std::vector<std::optional<std::string>>& stored) const;
    std::string Assignments(const FieldValues& values) const;
    std::vector<std::optional<std::string>> StoredTexts(postgres::Connection& connection,
                                                        std::int64_t rowid,
                                                        const FieldValues& values);

    std::shared_ptr<PostgresSession> session_;
    std::string name_;  // as the recordset was opened on it
    bool shape_read_ = false;
    PostgresTableShape shape_;
    std::string table_oid_;
    std::optional<std::size_t> reading_key_column_;
};

// A PostgreSQL server as a store. busy_timeout bounds the wait for another session's lock.
std::shared_ptr<StoreBackend> OpenPostgresStore(const std::string& target,
                                                std::chrono::milliseconds busy_timeout);

}  // namespace tavix::store
