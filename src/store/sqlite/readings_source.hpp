#pragma once

#include <memory>
#include <string>

#include "store/readings_source.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// A readings file read through a read-only SQLite connection inside one read transaction. In
// WAL mode (the program's) that transaction reads a snapshot and writers go on beside it; in
// another journal mode the rows are read from a temporary copy of that snapshot, so that
// writers wait only while it is made.
class ReadingsSource final : public store::ReadingsSource {
  public:
    // Opens the file at path and starts the read transaction. Throws StoreError when the file
    // is missing, is not a database or cannot be read.
    explicit ReadingsSource(std::string path);
    ReadingsSource(const ReadingsSource&) = delete;
    ReadingsSource& operator=(const ReadingsSource&) = delete;
    ~ReadingsSource() override;

    const std::string& Name() const override { return path_; }
    std::unique_ptr<store::RowCursor> Readings(const ReadingFilter& filter) override;
    std::unique_ptr<store::RowCursor> CodeTotals(const ReadingFilter& filter) override;
    StoreSummary Summary() override;
    std::vector<std::string> Problems() override;

  private:
    void ReadFromACopyUnlessInWalMode();
    std::unique_ptr<store::RowCursor> Filtered(const std::string& select, const std::string& tail,
                                               const ReadingFilter& filter,
                                               std::string_view action);

    std::string path_;
    std::unique_ptr<Connection> connection_;  // rolls the read transaction back as it closes
    bool in_wal_mode_ = false;
    std::string copy_path_;  // the temporary copy read instead of the file, removed at the end
};

}  // namespace tavix::store::sqlite
