#pragma once

#include <array>
#include <optional>
#include <string>

#include "store/sqlite/file_identity.hpp"

struct sqlite3;

namespace tavix::store::sqlite {

// SQLite keeps a database's write-ahead log ("-wal") and the log's index in shared memory
// ("-shm") beside it, named after the database's path rather than after the file. When the path
// comes to name another file, a log left there would be read over that file or replayed into
// it, and SQLite cannot tell: nothing in a log says which file it belongs to.
struct LogFiles {
    std::string log;
    std::string index;
};

// The log files of the database SQLite opened as database_name.
LogFiles LogFilesOf(const std::string& database_name);

// What tells one log from another: its first 32 bytes (format, page size, checkpoint sequence
// and two random salts that change whenever the log starts over), zeros past the end of a
// shorter log.
using LogHeader = std::array<char, 32>;

// The header of the log file at path; nothing when there is none.
std::optional<LogHeader> LogHeaderAt(const std::string& path);

// Whether the database a connection has open is in WAL mode; false when that cannot be read.
bool InWalMode(sqlite3* db);

// The header of the log a connection has open; nothing when it is not in WAL mode.
std::optional<LogHeader> OpenLogHeader(sqlite3* db);

// Who uses the log: each connection holds a lock on the index while it is open.
LockHolders LogUsers(const LogFiles& files);

// Removes the log and its index unless a connection uses them; false when one does.
bool RemoveUnusedLog(const LogFiles& files);

}  // namespace tavix::store::sqlite
