#include "store/sqlite/connection.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "store/sqlite/database_file.hpp"
#include "store/sqlite/errors.hpp"
#include "store/store_error.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kLetGoReason =
    "the file was removed or replaced while in use, so nothing was written to it; the next use "
    "opens the file the path names then";

using Cause = TransientStoreError::Cause;

// The name SQLite gives a database it opens (symbolic links resolved), and so its log's.
std::string ResolvedName(const std::string& path) {
    const std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.c_str(), nullptr),
                                                            &::free);
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

Connection::Connection(std::string path, std::chrono::milliseconds busy_timeout, Expect expect)
    : path_(std::move(path)), busy_timeout_(busy_timeout), expect_(expect) {}

Connection::~Connection() {
    Close();
}

bool Connection::IsReadOnly() const {
    return db_ != nullptr && sqlite3_db_readonly(db_.get(), "main") == 1;
}

void Connection::Attach(std::string_view action) {
    if (closed_) {
        Fail(path_, action, "the database has been closed");
    }
    if (db_ == nullptr) {
        Open(action);
    }
}

void Connection::AttachWithoutWaiting(std::string_view action) {
    const std::chrono::milliseconds patience = std::exchange(busy_timeout_, {});
    try {
        Attach(action);
    } catch (...) {
        busy_timeout_ = patience;
        throw;
    }
    busy_timeout_ = patience;
    sqlite3_busy_timeout(db_.get(), static_cast<int>(busy_timeout_.count()));
}

void Connection::DefineFunction(const char* name, int arguments, SqlFunction function,
                                std::string_view action) {
    RequireOpen(action);
    const int result = sqlite3_create_function_v2(
        db_.get(), name, arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
        function, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action, db_.get(), result);
    }
}

void Connection::CopyInto(const std::string& target, std::string_view action) {
    RequireOpen(action);
    const DatabaseHandle copy =
        OpenDatabaseHandle(target, SQLITE_OPEN_READWRITE, busy_timeout_, action);
    sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", db_.get(), "main");
    int result = backup != nullptr ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy.get());
    const int finished = sqlite3_backup_finish(backup);  // harmless on a null backup
    result = result == SQLITE_DONE ? finished : result;
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action, copy.get(), result);
    }
}

void Connection::CheckStillNamed(std::string_view action) {
    RequireOpen(action);
    if (!StillNamed()) {
        LetGo();
        Fail(path_, action, kLetGoReason, ErrorKind::kIo);
    }
}

void Connection::Execute(const std::string& sql, std::string_view action) {
    RequireOpen(action);
    const int result = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action, db_.get(), result);
    }
}

Statement& Connection::Prepared(const std::string& sql) {
    RequireOpen("use the database");
    auto found = statements_.find(sql);
    if (found == statements_.end()) {
        found = statements_.emplace(sql, std::make_unique<Statement>(db_.get(), path_, sql)).first;
    }
    return *found->second;
}

Statement Connection::Prepare(std::string_view sql, std::string_view action) {
    RequireOpen(action);
    return Statement(db_.get(), path_, sql, action);
}

bool Connection::InWalMode() {
    RequireOpen("read the journal mode");
    return sqlite::InWalMode(db_.get());
}

void Connection::PrepareToWrite(std::string_view action) {
    RequireOpen(action);
    if (!prepared_to_write_) {
        CheckStillNamed(action);  // the switch itself writes to the file
        prepared_to_write_ = SwitchToWal(*this);
    }
}

void Connection::BeginWriteTransaction(std::string_view action) {
    RequireOpen(action);
    const auto deadline = WriterQueue::Clock::now() + busy_timeout_;
    const bool queued = WaitForWriterTurn(deadline);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - WriterQueue::Clock::now());
    sqlite3_busy_timeout(db_.get(), static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    try {
        Execute("BEGIN IMMEDIATE", action);
    } catch (const TransientStoreError& error) {
        sqlite3_busy_timeout(db_.get(), static_cast<int>(busy_timeout_.count()));
        EndWriterTurn();
        if (!queued && error.Why() == Cause::kLock) {
            FailUnqueued(error);
        }
        throw;
    } catch (...) {
        sqlite3_busy_timeout(db_.get(), static_cast<int>(busy_timeout_.count()));
        EndWriterTurn();
        throw;
    }
    sqlite3_busy_timeout(db_.get(), static_cast<int>(busy_timeout_.count()));
}

void Connection::EndWriterTurn() noexcept {
    if (writers_ != nullptr && writers_->Usable()) {
        writers_->EndTurn();
    }
}

// False when this connection waits as SQLite alone has it: a queue that cannot be used. A
// read-only file, whose writes fail anyway, and a new file nobody else knows yet (no queue's
// file is left beside it) need no turn.
bool Connection::WaitForWriterTurn(WriterQueue::Clock::time_point deadline) {
    if (IsReadOnly() || expect_ == Expect::kNewFile) {
        return true;
    }
    if (writers_ == nullptr) {
        writers_ = std::make_unique<WriterQueue>(path_);
    }
    return writers_->Usable() && writers_->WaitForTurn(deadline);
}

// Once per connection, so that a log of many refused readings does not repeat it.
void Connection::FailUnqueued(const TransientStoreError& error) {
    if (told_unqueued_ || writers_ == nullptr || writers_->Usable()) {
        throw error;
    }
    told_unqueued_ = true;
    throw TransientStoreError(std::string(error.what()) +
                                  " (writers are not taking turns, so a session may wait for "
                                  "others again and again: " +
                                  writers_->Problem() + ")",
                              error.Why());
}

void Connection::Close() noexcept {
    closed_ = true;
    if (db_ == nullptr) {
        return;
    }
    // A reader wrote nothing to move into the file, and leaves the log to the writers.
    if (StillNamed() || expect_ == Expect::kDatabaseToRead) {
        CloseHandle();
    } else {
        LetGo();
    }
}

void Connection::RequireOpen(std::string_view action) const {
    if (closed_) {
        Fail(path_, action, "the database has been closed");
    }
    if (db_ == nullptr) {
        Fail(path_, action,
             "the file is not open: it could not be opened, or it was removed or replaced while "
             "in use");
    }
}

bool Connection::StillNamed() const {
    const std::optional<FileIdentity> named = IdentityOf(path_);
    return named && *named == identity_;
}

// How a connection takes up the file its path names, and lets go of it again.

void Connection::Open(std::string_view action) {
    if (expect_ == Expect::kNewFile) {
        OpenHandle(action);
        return;
    }
    CheckDatabaseFileKind(path_);
    RefuseAnotherFilesLog(action);
    OpenHandle(action);
    try {
        CheckDatabaseHeader(path_, db_.get());
        // A reader's first read is its own, inside the read transaction it begins.
        if (expect_ == Expect::kDatabase) {
            CheckReadable(*this);
            UseFullSync(*this);
        }
    } catch (...) {
        CloseHandle();
        throw;
    }
    abandoned_log_.reset();
}

// SQLite would take a log at the path for the log of whatever file is there. Two kinds are not:
// one that another program uses for a file no longer at the path (it holds the log's index
// but not the file), and the log this connection let go of while such a program still used it
// and that was left behind.
void Connection::RefuseAnotherFilesLog(std::string_view action) {
    const LogFiles files = LogFilesOf(ResolvedName(path_));
    const LockHolders log_users = LogUsers(files);
    if (log_users.other_processes) {
        if (!LockHoldersOf(path_).Any()) {
            FailTransiently(path_, action,
                            "the log beside it (-wal, -shm) is in use by another program for a "
                            "file that is no longer at this path; it opens once that program "
                            "has let go of it",
                            Cause::kFileInUse);
        }
        return;
    }
    if (!log_users.Any() && abandoned_log_ && LogHeaderAt(files.log) == abandoned_log_) {
        RemoveUnusedLog(files);
    }
}

void Connection::OpenHandle(std::string_view action) {
    const std::optional<FileIdentity> before = IdentityOf(path_);
    const int flags =
        expect_ == Expect::kDatabaseToRead ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    db_ = OpenDatabaseHandle(path_, flags, busy_timeout_, action);
    // The file SQLite opened is the one the path named before and after: not one that was
    // replaced in between.
    int moved = 0;
    sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    const std::optional<FileIdentity> after = IdentityOf(path_);
    if (!before || !after || *before != *after || moved != 0) {
        CloseHandle();
        FailTransiently(path_, action, "the file was replaced while it was being opened",
                        Cause::kFileInUse);
    }
    identity_ = *after;
    log_files_ = LogFilesOf(sqlite3_db_filename(db_.get(), "main"));
    prepared_to_write_ = false;
    ++generation_;
}

// The path names another file now, or none. What this connection committed is moved from its
// log into its own file, so that a file renamed away is whole; then the log is removed from
// the path unless another program still uses it, and remembered if it stays.
void Connection::LetGo() noexcept {
    statements_.clear();
    if (sqlite3_get_autocommit(db_.get()) == 0) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_busy_timeout(db_.get(), 0);
    sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    const std::optional<LogHeader> own_log = OpenLogHeader(db_.get());
    const LogFiles files = log_files_;
    CloseHandle();
    if (!own_log) {
        return;
    }
    const std::optional<LogHeader> at_path = LogHeaderAt(files.log);
    if (at_path && at_path != own_log) {
        return;  // a log that came with the new file is that file's own
    }
    if (!RemoveUnusedLog(files)) {
        abandoned_log_ = own_log;
    }
}

void Connection::CloseHandle() noexcept {
    statements_.clear();
    if (sqlite3_get_autocommit(db_.get()) == 0) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    EndWriterTurn();
    db_.reset();
}

// The settings every connection of the store uses.

void CheckReadable(Connection& connection) {
    connection.Execute("SELECT count(*) FROM sqlite_schema", "read the database");
}

void UseFullSync(Connection& connection) {
    connection.Execute("PRAGMA synchronous = FULL", "set synchronous writes");
}

bool SwitchToWal(Connection& connection) {
    if (connection.IsReadOnly()) {
        return true;
    }
    try {
        connection.Execute("PRAGMA journal_mode = WAL", "switch to WAL");
    } catch (const TransientStoreError& error) {
        return error.Why() != TransientStoreError::Cause::kDisk;
    } catch (const StoreError&) {
        // Keeps the journal mode the file has; see above.
    }
    return true;
}

}  // namespace tavix::store::sqlite
