#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "recordset.hpp"

namespace tavix::store {

class Connection;

// An open database file. The file must exist: opening never creates one. Several programs
// may have the same file open at once.
class Database {
  public:
    explicit Database(std::shared_ptr<Connection> connection);
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    // The table-type recordset on a table, positioned on its first record in the table's
    // own order (or at EOF when the table is empty).
    Recordset OpenRecordset(std::string_view table);

    // Closes the file. Recordsets opened on it fail from then on.
    void Close();

    const std::string& Path() const;

  private:
    std::shared_ptr<Connection> connection_;
};

// Opens the database file at path, shared with other programs. Throws StoreError when the
// file is missing, is not a database, or cannot be opened. A failure that may pass (a full
// disk, a lock held too long, see TransientStoreError) leaves the database to be opened by its
// first use, which fails in turn until the cause has passed.
//
// The database stays bound to the path rather than to the file: when the file is removed or
// replaced, the first write after it fails, and the next use opens the file the path names
// then (see Connection).
Database OpenDatabase(const std::string& path);

// The same, with the longest wait for another program's lock before a write gives up (about
// 5 s for the one above). Tests use a short one.
Database OpenDatabase(const std::string& path, std::chrono::milliseconds busy_timeout);

// Creates a new, empty readings database at path with the Readings table and its Code index.
// Refuses (StoreError) when something already exists at path.
void CreateReadingsDatabase(const std::string& path);

}  // namespace tavix::store
