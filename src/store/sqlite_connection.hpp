#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "file_identity.hpp"
#include "statement.hpp"
#include "write_ahead_log.hpp"

struct sqlite3;

namespace tavix::store {

// How long a writer waits for another program's lock before it gives up.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

// One SQLite connection to the file a path names, with the settings every connection of the
// store uses: a bounded wait for locks and full synchronisation. It keeps its prepared
// statements, so each query is parsed once however often a recordset moves.
//
// The connection holds on to the file it opened, not to the path. Before each write it checks
// that the path still names that file; when the file was removed, replaced or renamed it lets
// go of it, writes nothing, and opens whatever file the path names on its next use.
class Connection {
  public:
    // kDatabase: the file must be a database already (see database_file.hpp), and must be
    // readable. kNewFile: a file just created empty, about to be given its schema.
    enum class Expect { kDatabase, kNewFile };

    // Names the file; Attach opens it.
    Connection(std::string path, std::chrono::milliseconds busy_timeout,
               Expect expect = Expect::kDatabase);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return db_ != nullptr; }
    bool IsClosed() const { return closed_; }
    bool IsReadOnly() const;

    // Opens the file the path names now, unless it is open already: read-write when the file
    // allows it and read-only otherwise, never creating it. Throws StoreError naming the action
    // (TransientStoreError for a failure that may pass) and stays unopened, so that the next
    // call tries again; after Close it fails for good.
    void Attach(std::string_view action);
    // The same without waiting for another program's lock, which fails at once (transiently);
    // later uses wait as usual.
    void AttachWithoutWaiting(std::string_view action);
    // Counts the openings, so that what was read from one file is not taken for another's.
    std::uint64_t Generation() const { return generation_; }

    // Throws StoreError when the path no longer names the open file, after letting go of it.
    void CheckStillNamed(std::string_view action);

    // Runs SQL without results; throws StoreError naming the action on failure.
    void Execute(const std::string& sql, std::string_view action);

    // The statement for sql, prepared on first use. Throws unless the file is open.
    Statement& Prepared(const std::string& sql);

    // Comes before every write transaction: the first one after opening switches the file to
    // WAL (see SwitchToWal), so that opening and reading alone never change the file.
    void PrepareToWrite(std::string_view action);

    // Rolls back an open transaction, finalizes the statements and closes the file. Later use
    // throws StoreError.
    void Close() noexcept;

  private:
    void RequireOpen(std::string_view action) const;
    bool StillNamed() const;

    // Taking up a file and letting go of it (connection_file.cpp).
    void Open(std::string_view action);
    void OpenHandle(std::string_view action);
    void RefuseAnotherFilesLog(std::string_view action);
    void LetGo() noexcept;
    void CloseHandle() noexcept;

    std::string path_;
    std::chrono::milliseconds busy_timeout_;
    Expect expect_;
    sqlite3* db_ = nullptr;
    bool closed_ = false;
    bool prepared_to_write_ = false;
    std::uint64_t generation_ = 0;
    FileIdentity identity_;
    LogFiles log_files_;
    // The header of a log this connection let go of while another program still used it.
    std::optional<LogHeader> abandoned_log_;
    std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
};

}  // namespace tavix::store
