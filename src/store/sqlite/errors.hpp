#pragma once

#include <string>
#include <string_view>

#include "store/core/failure.hpp"

struct sqlite3;

namespace tavix::store::sqlite {

// Throws StoreError in the store's one shape (core/failure.hpp) for a failure of SQLite, with
// its reason (SqliteReason) and kind (SqliteErrorKind). A full or failing disk and a lock held
// too long are transient (TransientStoreError).
[[noreturn]] void FailOnSqlite(const std::string& path, std::string_view action, sqlite3* db,
                               int result_code);

// The reason for SQLite's last failure on a connection, in words for a person: a lock held too
// long, a read-only file, a full disk and a damaged file are named as such.
std::string SqliteReason(sqlite3* db, int result_code);

// The kind of SQLite's last failure on a connection (db may be null).
ErrorKind SqliteErrorKind(sqlite3* db, int result_code);

}  // namespace tavix::store::sqlite
