#include "store/sqlite/errors.hpp"

#include <sqlite3.h>

#include <optional>

#include "store/sqlite/access_reasons.hpp"

namespace tavix::store::sqlite {

namespace {

std::optional<TransientStoreError::Cause> TransientCause(int result_code) {
    switch (result_code & 0xff) {
        case SQLITE_FULL:
        case SQLITE_IOERR:
        case SQLITE_NOMEM:
            return TransientStoreError::Cause::kDisk;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_PROTOCOL:
            return TransientStoreError::Cause::kLock;
        default:
            return std::nullopt;
    }
}

}  // namespace

void FailOnSqlite(const std::string& path, std::string_view action, sqlite3* db, int result_code) {
    const std::string reason = SqliteReason(db, result_code);
    if (const auto cause = TransientCause(result_code)) {
        FailTransiently(path, action, reason, *cause);
    }
    Fail(path, action, reason, SqliteErrorKind(db, result_code));
}

ErrorKind SqliteErrorKind(sqlite3* db, int result_code) {
    switch (result_code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_PROTOCOL:
            return ErrorKind::kBusy;
        case SQLITE_READONLY:
            return ErrorKind::kReadOnly;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return ErrorKind::kCorrupt;
        case SQLITE_FULL:
        case SQLITE_IOERR:
        case SQLITE_NOMEM:
        case SQLITE_CANTOPEN:
            return ErrorKind::kIo;
        case SQLITE_CONSTRAINT:
            return ErrorKind::kConstraint;
        case SQLITE_ERROR:
            // SQLite names a missing table, column or index only in its message.
            if (db != nullptr) {
                const std::string_view message = sqlite3_errmsg(db);
                if (message.starts_with("no such table") || message.starts_with("no such column") ||
                    message.starts_with("no such index")) {
                    return ErrorKind::kNoSuchTable;
                }
            }
            break;
        default:
            break;
    }
    return ErrorKind::kOther;
}

std::string SqliteReason(sqlite3* db, int result_code) {
    const std::string detail = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result_code);
    switch (result_code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "the file is locked by another program and it did not let go in time (" +
                   detail + ")";
        case SQLITE_READONLY:
            return ReadOnlyReason(db, result_code, detail);
        case SQLITE_FULL:
            return "the disk is full (" + detail + ")";
        case SQLITE_NOTADB:
            return "the file is not a database (" + detail + ")";
        case SQLITE_CORRUPT:
            return "the database file is damaged (" + detail + ")";
        default:
            return detail;
    }
}

}  // namespace tavix::store::sqlite
