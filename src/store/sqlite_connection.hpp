#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "statement.hpp"

struct sqlite3;

namespace tavix::store {

// How long a writer waits for another program's lock before it gives up.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

// One SQLite connection to an existing file, with the settings every connection of the store
// uses: a bounded wait for locks and full synchronisation. It keeps its prepared statements,
// so each query is parsed once however often a recordset moves.
class Connection {
  public:
    // Opens path read-write when the file allows it and read-only otherwise. Never creates it.
    Connection(std::string path, std::chrono::milliseconds busy_timeout);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return db_ != nullptr; }
    bool IsReadOnly() const;

    // Runs SQL without results; throws StoreError naming the action on failure.
    void Execute(const std::string& sql, std::string_view action);

    // The statement for sql, prepared on first use. Throws once the connection is closed.
    Statement& Prepared(const std::string& sql);

    // Comes before every write transaction: the first one switches the file to WAL (see
    // SwitchToWal), so that opening and reading alone never change the file.
    void PrepareToWrite();

    // Rolls back an open transaction, finalizes the statements and closes the file. Later use
    // throws StoreError.
    void Close() noexcept;

  private:
    std::string path_;
    sqlite3* db_ = nullptr;
    bool prepared_to_write_ = false;
    std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
};

}  // namespace tavix::store
