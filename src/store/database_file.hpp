#pragma once

#include <string>

namespace tavix::store {

// Throws StoreError unless path is a regular, readable file that starts with the SQLite
// header. SQLite itself treats an empty file as an empty database and would write to it, so
// the check comes before SQLite ever sees the file.
void CheckDatabaseFile(const std::string& path);

// Creates path as a new empty file, failing (StoreError) when anything exists there already
// or when a journal or WAL file is left beside it: SQLite would replay a leftover journal or
// WAL into the new database.
void CreateEmptyFile(const std::string& path);

// The files SQLite keeps beside a database.
std::string WalPath(const std::string& path);
std::string SharedMemoryPath(const std::string& path);
std::string JournalPath(const std::string& path);

}  // namespace tavix::store
