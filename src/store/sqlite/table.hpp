#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/core/store_table.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/current_record.hpp"
#include "store/sqlite/table_schema.hpp"

namespace tavix::store::sqlite {

// A table of the SQLite file. The file may be opened anew under the same path (see
// Connection): the table is then read again from the file the path names now. Its orders keep
// the record each step lands on, and fields are read from it while the file is unchanged.
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
    // Reads the whole record as the file stands now and keeps it; false when it does not exist.
    // Its columns as stored go to stored_row too, when given.
    bool ReadRecord(std::int64_t rowid, std::string_view action,
                    std::vector<SqlValue>* stored_row = nullptr);
    Value ReadColumnAlone(std::int64_t rowid, std::size_t column, std::string_view action);

    std::shared_ptr<Connection> connection_;
    std::string name_;              // as the recordset was opened on it
    std::uint64_t generation_ = 0;  // of the connection's file the table was read from
    TableSchema schema_;
    std::shared_ptr<CurrentRecord> current_ = std::make_shared<CurrentRecord>();
};

}  // namespace tavix::store::sqlite
