#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace tavix::store::sqlite {

// SQLite says only "attempt to write a readonly database", whichever of the database, the -wal
// and -shm files beside it or their folder refused, and even when it was only reading. These
// name the one that did, as the user running this program finds them, and what to do.

// Why the connection's file refused (SQLITE_READONLY and its extended codes); detail is
// SQLite's message.
std::string ReadOnlyReason(sqlite3* db, int result_code, const std::string& detail);

// A -wal or -shm file beside the database at path that lacks a write permission the database
// has: every program that opens the file afterwards has its writes refused.
std::vector<std::string> FilesBesideProblems(const std::string& path);

}  // namespace tavix::store::sqlite
