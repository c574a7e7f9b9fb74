#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "store/reading_keeper.hpp"
#include "store/recordset.hpp"

namespace tavix::store {

class StoreDatabase;

// An open readings store: the SQLite file or a PostgreSQL server, as its target named it.
// Several programs may use the same store at once.
class Database {
  public:
    // Made by a backend (backend.hpp) around the store it opened.
    explicit Database(std::shared_ptr<StoreDatabase> store);
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    // The table-type recordset on a table, positioned on its first record in the table's
    // own order (or at EOF when the table is empty).
    Recordset OpenRecordset(std::string_view table);

    // Lets go of the file or the server. Recordsets opened on it fail from then on.
    void Close();

    // The file's path, or the server's target with its password masked.
    const std::string& Path() const;

  private:
    std::shared_ptr<StoreDatabase> store_;
};

// Opens the store a target names (see database_target.hpp): a PostgreSQL connection URI
// ("postgresql://..." or "postgres://...") or else the path of an SQLite file. Throws
// StoreError when the store cannot be used: the file is missing or is not a database.
//
// A failure that may pass (a file not made yet, a full disk, a lock, a server out of reach;
// see StoreError::MayPass) leaves the store to be opened by its first use, which fails in turn
// until the cause has passed. Opening a file never waits for another program's lock: it is
// left to the first use.
//
// The SQLite file's database stays bound to the path rather than to the file: when the file is
// removed or replaced, the first write after it fails, and the next use opens the file the
// path names then (see sqlite/connection.hpp).
Database OpenDatabase(const std::string& target);

// How long a write waits for another program's lock before it gives up, unless told otherwise.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

// The same, with the longest wait for another program's lock before a write gives up
// (kDefaultBusyTimeout for the one above). Tests use a short one.
Database OpenDatabase(const std::string& target, std::chrono::milliseconds busy_timeout);

// How a store is opened, beyond its target.
struct StoreOptions {
    // The longest wait for another program's lock before a write gives up.
    std::chrono::milliseconds busy_timeout = kDefaultBusyTimeout;
    // On a server: where a new reading waits when the answer to its commit was lost and
    // whether it was stored cannot be found out; it is then confirmed like any other, and
    // resent with its key (forwarding.hpp). Without one such a reading is reported not stored.
    std::shared_ptr<ReadingKeeper> keeper;
};

Database OpenDatabase(const std::string& target, const StoreOptions& options);

// Creates a new, empty readings store at target: a new SQLite file with the Readings table and
// its Code index, refused (StoreError) when something already exists at the path; or, on a
// PostgreSQL server, the table readings and its index in the database the URI names, refused
// when a table readings exists there already (see postgres/readings_schema.hpp). Nothing that
// exists is ever dropped or changed.
void CreateReadingsDatabase(const std::string& target);

}  // namespace tavix::store
