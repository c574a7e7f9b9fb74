#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/core/store_table.hpp"
#include "store/postgres/record_orders.hpp"
#include "store/postgres/session.hpp"

namespace tavix::store::postgres {

// A table on a PostgreSQL server: its shape is read once, its orders step through it by keyset
// queries (record_orders.hpp), its records are changed as record_writes.hpp says.
class Table final : public StoreTable {
  public:
    Table(std::shared_ptr<Session> session, std::string name);

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
    void ReadIndexes(postgres::Connection& connection, std::string_view action);
    std::optional<std::size_t> IndexColumn(std::string_view index_name) const;
    [[noreturn]] void Fail(std::string_view action, std::string_view reason,
                           ErrorKind kind = ErrorKind::kOther) const;

    std::shared_ptr<Session> session_;
    std::string name_;  // as the recordset was opened on it
    bool shape_read_ = false;
    TableShape shape_;
    std::string table_oid_;
    std::string relation_name_;                         // the table's own name, unquoted
    std::map<std::string, std::size_t> index_columns_;  // by the index's name, lowered
    std::shared_ptr<CurrentRow> current_ = std::make_shared<CurrentRow>();
};

}  // namespace tavix::store::postgres
