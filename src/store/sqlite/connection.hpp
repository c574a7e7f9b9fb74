#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "store/sqlite/change_mark.hpp"
#include "store/sqlite/file_identity.hpp"
#include "store/sqlite/handle.hpp"
#include "store/sqlite/statement.hpp"
#include "store/sqlite/write_ahead_log.hpp"
#include "store/sqlite/writer_queue.hpp"
#include "store/store_error.hpp"

struct sqlite3_context;
struct sqlite3_value;

namespace tavix::store::sqlite {

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
    // readable. kDatabaseToRead: the same, opened read-only, so that nothing done through the
    // connection can change the file. kNewFile: a file just created empty, about to be given
    // its schema.
    enum class Expect { kDatabase, kDatabaseToRead, kNewFile };

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
    // allows it (and kDatabaseToRead does not say otherwise) and read-only otherwise, never
    // creating it. Throws StoreError naming the action
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

    // The statement for sql, prepared on first use and kept. Throws unless the file is open.
    Statement& Prepared(const std::string& sql);
    // A statement of the caller's own, for a query run once; failing to prepare it fails as
    // action. Throws unless the file is open.
    Statement Prepare(std::string_view sql, std::string_view action);

    // A scalar SQL function of this connection's, defined until it closes.
    using SqlFunction = void (*)(sqlite3_context*, int, sqlite3_value**);
    void DefineFunction(const char* name, int arguments, SqlFunction function,
                        std::string_view action);

    // Copies the open file, as the current transaction sees it, into the existing empty file
    // at target.
    void CopyInto(const std::string& target, std::string_view action);

    // What tells whether anyone has committed to the open file since (change_mark.hpp);
    // nothing when it cannot be told, or the file is not open.
    std::optional<ChangeMark> ChangeMarkNow() const { return ReadChangeMark(db_.get()); }

    // Whether the file is in WAL mode, where readers and the writer do not wait for each other.
    bool InWalMode();

    // Comes before every write transaction: the first one after opening switches the file to
    // WAL (see SwitchToWal), so that opening and reading alone never change the file.
    void PrepareToWrite(std::string_view action);

    // BEGIN IMMEDIATE once this connection's turn has come among the sessions writing to the
    // file (writer_queue.hpp): the queue and SQLite's lock share the one bounded wait. When the
    // queue cannot be used, the first failure to get the lock says why.
    void BeginWriteTransaction(std::string_view action);
    // Passes the turn on once the write transaction is committed or rolled back.
    void EndWriterTurn() noexcept;

    // Rolls back an open transaction, finalizes the statements and closes the file. Later use
    // throws StoreError.
    void Close() noexcept;

  private:
    void RequireOpen(std::string_view action) const;
    bool StillNamed() const;

    // Taking up a file and letting go of it.
    void Open(std::string_view action);
    void OpenHandle(std::string_view action);
    void RefuseAnotherFilesLog(std::string_view action);
    void LetGo() noexcept;
    void CloseHandle() noexcept;
    bool WaitForWriterTurn(WriterQueue::Clock::time_point deadline);
    [[noreturn]] void FailUnqueued(const TransientStoreError& error);

    std::string path_;
    std::chrono::milliseconds busy_timeout_;
    Expect expect_;
    DatabaseHandle db_;
    bool closed_ = false;
    bool prepared_to_write_ = false;
    std::uint64_t generation_ = 0;
    FileIdentity identity_;
    LogFiles log_files_;
    // The header of a log this connection let go of while another program still used it.
    std::optional<LogHeader> abandoned_log_;
    std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
    std::unique_ptr<WriterQueue> writers_;
    bool told_unqueued_ = false;
};

// One use of a prepared statement. Resetting it when the use ends releases the read snapshot,
// which would otherwise keep the WAL from being checkpointed and hide other programs' writes.
class Query {
  public:
    Query(Connection& connection, const std::string& sql, std::string_view action)
        : statement_(connection.Prepared(sql)), action_(action) {}
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    ~Query() { statement_.Reset(); }

    Statement& operator*() { return statement_; }
    Statement* operator->() { return &statement_; }
    bool Step() { return statement_.Step(action_); }

  private:
    Statement& statement_;
    std::string_view action_;
};

// The settings every connection of the store uses.

// Reads the schema, so that a damaged file or one that is not a database fails now, before
// anything is written to it.
void CheckReadable(Connection& connection);

// synchronous FULL: a commit is on disk (one sync of the WAL, or of the rollback journal and
// the file) when COMMIT returns and survives a power cut. A setting of the connection only:
// the file is not touched.
void UseFullSync(Connection& connection);

// WAL: readers and the writer do not block each other. The switch rewrites the file's header,
// so it is made when the file is created and before a connection's first write, never on
// opening alone: a file that turns out not to be a readings database is left as it was. It is
// skipped when it cannot be made (a read-only file or folder, or another program holding the
// file in another journal mode); FULL then still makes each commit durable. Returns false
// when the disk failed it, so that the next write tries again.
bool SwitchToWal(Connection& connection);

}  // namespace tavix::store::sqlite
