#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/core/store_table.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/table_schema.hpp"

namespace tavix::store::sqlite {

// A table of the SQLite file. The file may be opened anew under the same path (see
// Connection): the table is then read again from the file the path names now.
class Table final : public StoreTable {
  public:
    Table(std::shared_ptr<Connection> connection, std::string name);

    const std::string& StoreName() const override { return connection_->Path(); }
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
    std::shared_ptr<Connection> connection_;
    std::string name_;              // as the recordset was opened on it
    std::uint64_t generation_ = 0;  // of the connection's file the table was read from
    TableSchema schema_;
};

}  // namespace tavix::store::sqlite
