#include "store/sqlite/handle.hpp"

#include <sqlite3.h>

#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

void CloseDatabase::operator()(sqlite3* db) const noexcept {
    // The _v2 form lets a statement still held elsewhere finalize later instead of failing.
    sqlite3_close_v2(db);
}

void FinalizeStatement::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

DatabaseHandle OpenDatabaseHandle(const std::string& path, int flags,
                                  std::chrono::milliseconds busy_timeout, std::string_view action) {
    sqlite3* opened = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &opened, flags, nullptr);
    DatabaseHandle db(opened);
    if (result != SQLITE_OK) {
        // SQLite gives a handle even when it fails to open: it holds SQLite's own words for
        // the failure, read here before the handle goes.
        Fail(path, action, SqliteReason(db.get(), result), SqliteErrorKind(db.get(), result));
    }
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), static_cast<int>(busy_timeout.count()));
    return db;
}

StatementHandle PrepareStatementHandle(sqlite3* db, std::string_view sql, unsigned int flags,
                                       int& result) {
    sqlite3_stmt* prepared = nullptr;
    result =
        sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), flags, &prepared, nullptr);
    StatementHandle statement(prepared);
    if (result != SQLITE_OK) {
        statement.reset();
    }
    return statement;
}

}  // namespace tavix::store::sqlite
