#pragma once

#include <memory>
#include <string>

#include "readings_source.hpp"

struct sqlite3;

namespace tavix::store {

// A readings file read through a read-only SQLite connection inside one read transaction. In
// WAL mode (the program's) that transaction reads a snapshot and writers go on beside it; in
// another journal mode the rows are read from a temporary copy of that snapshot, so that
// writers wait only while it is made.
class SqliteReadingsSource final : public ReadingsSource {
  public:
    // Opens the file at path and starts the read transaction. Throws StoreError when the file
    // is missing, is not a database or cannot be read.
    explicit SqliteReadingsSource(std::string path);
    SqliteReadingsSource(const SqliteReadingsSource&) = delete;
    SqliteReadingsSource& operator=(const SqliteReadingsSource&) = delete;
    ~SqliteReadingsSource() override;

    const std::string& Name() const override { return path_; }
    std::unique_ptr<RowCursor> Readings(const ReadingFilter& filter) override;
    std::unique_ptr<RowCursor> CodeTotals(const ReadingFilter& filter) override;
    StoreSummary Summary() override;
    std::vector<std::string> Problems() override;

  private:
    void Execute(const char* sql, std::string_view action);
    void AddDateTimeFunction(sqlite3* db);
    void ReadFromACopyUnlessInWalMode();
    std::unique_ptr<RowCursor> Filtered(const std::string& select, const std::string& tail,
                                        const ReadingFilter& filter, std::string_view action);

    std::string path_;
    sqlite3* db_ = nullptr;
    bool in_wal_mode_ = false;
    bool copied_ = false;  // db_ is the temporary copy, the file let go of
};

// The problems the check finds on an open file (see ReadingsSource::Problems).
std::vector<std::string> IntegrityProblems(sqlite3* db, const std::string& path);
std::vector<std::string> SchemaProblems(sqlite3* db, const std::string& path);

}  // namespace tavix::store
