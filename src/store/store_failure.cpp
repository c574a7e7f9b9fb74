#include "store_failure.hpp"

#include <sqlite3.h>

#include "store_error.hpp"

namespace tavix::store {

void Fail(const std::string& path, std::string_view action, std::string_view reason) {
    std::string message = path;
    message.append(": cannot ").append(action).append(": ").append(reason);
    throw StoreError(message);
}

std::string SqliteReason(sqlite3* db, int result_code) {
    const std::string detail = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result_code);
    switch (result_code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "the file is locked by another program and it did not let go in time (" +
                   detail + ")";
        case SQLITE_READONLY:
            return "the file or its folder is read-only (" + detail + ")";
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

}  // namespace tavix::store
