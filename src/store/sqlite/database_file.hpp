#pragma once

#include <string>

struct sqlite3;

namespace tavix::store::sqlite {

// Throws StoreError unless path is a regular, readable, non-empty file. SQLite itself treats
// an empty file as an empty database and would write to it, so the check comes before SQLite
// ever sees the file.
void CheckDatabaseFileKind(const std::string& path);

// Throws StoreError unless the file a connection has just opened starts with the SQLite header.
// It is read through the connection's own descriptor: closing a descriptor of this program's
// own would drop every lock the program holds on the file, those of its other connections
// included.
void CheckDatabaseHeader(const std::string& path, sqlite3* db);

// Creates path as a new empty file, failing (StoreError) when anything exists there already
// or when a journal or WAL file is left beside it: SQLite would replay a leftover journal or
// WAL into the new database.
void CreateEmptyFile(const std::string& path);

// The path made absolute, as one word of a shell command, so that advice naming it can be pasted
// in any folder.
std::string PathForCommand(const std::string& path);

// The files SQLite keeps beside a database.
std::string WalPath(const std::string& path);
std::string SharedMemoryPath(const std::string& path);
std::string JournalPath(const std::string& path);

}  // namespace tavix::store::sqlite
