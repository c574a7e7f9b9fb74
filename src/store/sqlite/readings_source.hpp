#pragma once

#include <memory>
#include <string>

#include "store/readings_source.hpp"

struct sqlite3;

namespace tavix::store::sqlite {

// A readings file read through a read-only SQLite connection inside one read transaction. In
// WAL mode (the program's) that transaction reads a snapshot and writers go on beside it.
class ReadingsSource final : public store::ReadingsSource {
  public:
    // Opens the file at path and starts the read transaction. Throws StoreError when the file
    // is missing, is not a database or cannot be read.
    explicit ReadingsSource(std::string path);
    ReadingsSource(const ReadingsSource&) = delete;
    ReadingsSource& operator=(const ReadingsSource&) = delete;
    ~ReadingsSource() override;

    const std::string& Name() const override { return path_; }
    bool WritersWait() const override { return !in_wal_mode_; }
    std::unique_ptr<store::RowCursor> Readings(const ReadingFilter& filter) override;
    std::unique_ptr<store::RowCursor> CodeTotals(const ReadingFilter& filter) override;
    StoreSummary Summary() override;
    std::vector<std::string> Problems() override;

  private:
    void Execute(const char* sql, std::string_view action);
    std::unique_ptr<store::RowCursor> Filtered(const std::string& select, const std::string& tail,
                                               const ReadingFilter& filter,
                                               std::string_view action);

    std::string path_;
    sqlite3* db_ = nullptr;
    bool in_wal_mode_ = false;
};

// The problems the check finds on an open file (see ReadingsSource::Problems).
std::vector<std::string> IntegrityProblems(sqlite3* db, const std::string& path);
std::vector<std::string> SchemaProblems(sqlite3* db, const std::string& path);

}  // namespace tavix::store::sqlite
