#pragma once

#include <string>
#include <string_view>

#include "store_error.hpp"

struct sqlite3;

namespace tavix::store {

// Throws StoreError "<path>: cannot <action>: <reason>", the one shape every failure of the
// store takes, so that a person sees which file, what failed and why.
[[noreturn]] void Fail(const std::string& path, std::string_view action, std::string_view reason,
                       ErrorKind kind = ErrorKind::kOther);

// The same for a failure that passes once someone has acted, such as a file not created yet:
// the objects that met it try again on their next use (StoreError::MayPass).
[[noreturn]] void FailForNow(const std::string& path, std::string_view action,
                             std::string_view reason, ErrorKind kind);

// The same as a TransientStoreError.
[[noreturn]] void FailTransiently(const std::string& path, std::string_view action,
                                  std::string_view reason, TransientStoreError::Cause cause);

// The same for a failure of SQLite, with its reason (SqliteReason) and kind (SqliteErrorKind).
// A full or failing disk and a lock held too long are transient.
[[noreturn]] void FailOnSqlite(const std::string& path, std::string_view action, sqlite3* db,
                               int result_code);

// The reason for SQLite's last failure on a connection, in words for a person: a lock held too
// long, a read-only file, a full disk and a damaged file are named as such.
std::string SqliteReason(sqlite3* db, int result_code);

// The kind of SQLite's last failure on a connection (db may be null).
ErrorKind SqliteErrorKind(sqlite3* db, int result_code);

}  // namespace tavix::store
