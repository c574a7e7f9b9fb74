#pragma once

#include <memory>
#include <string>

#include "store/readings_source.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// A readings file read through a read-only SQLite connection inside one read transaction. In
// WAL mode (the program's) that transaction reads a snapshot and writers go on beside it.
class ReadingsSource final : public store::ReadingsSource {
  public:
    // Opens the file at path and starts the read transaction. Throws StoreError when the file
    // is missing, is not a database or cannot be read.
    explicit ReadingsSource(std::string path);

    const std::string& Name() const override { return connection_.Path(); }
    bool WritersWait() const override { return !in_wal_mode_; }
    std::unique_ptr<store::RowCursor> Readings(const ReadingFilter& filter) override;
    std::unique_ptr<store::RowCursor> CodeTotals(const ReadingFilter& filter) override;
    StoreSummary Summary() override;
    std::vector<std::string> Problems() override;

  private:
    std::unique_ptr<store::RowCursor> Filtered(const std::string& select, const std::string& tail,
                                               const ReadingFilter& filter,
                                               std::string_view action);

    Connection connection_;  // rolls the read transaction back as it closes
    bool in_wal_mode_ = false;
};

}  // namespace tavix::store::sqlite
