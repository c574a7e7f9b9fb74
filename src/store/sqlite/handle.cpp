#include "store/sqlite/handle.hpp"

#include <sqlite3.h>

#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

sqlite3* OpenDatabaseHandle(const std::string& path, int flags,
                            std::chrono::milliseconds busy_timeout, std::string_view action) {
    sqlite3* db = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        // Read from the handle before it goes: it holds SQLite's own words for the failure.
        const std::string reason = SqliteReason(db, result);
        const ErrorKind kind = SqliteErrorKind(db, result);
        sqlite3_close(db);
        Fail(path, action, reason, kind);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, static_cast<int>(busy_timeout.count()));
    return db;
}

}  // namespace tavix::store::sqlite
