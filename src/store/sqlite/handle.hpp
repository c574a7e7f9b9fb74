#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tavix::store::sqlite {

// SQLite's handles, each closed or finalized when its owner lets go of it, on every way out:
// nothing else in the store closes a connection or finalizes a statement by hand.
struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept;
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const noexcept;
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// An SQLite handle on the file at path, opened with flags, reporting extended result codes and
// waiting at most busy_timeout for another program's lock. Throws StoreError naming path and
// action when SQLite cannot open it; nothing is left open then.
DatabaseHandle OpenDatabaseHandle(const std::string& path, int flags,
                                  std::chrono::milliseconds busy_timeout, std::string_view action);

// The statement for sql on db; nothing, with result set to SQLite's result code, when it cannot
// be prepared. flags are sqlite3_prepare_v3's.
StatementHandle PrepareStatementHandle(sqlite3* db, std::string_view sql, unsigned int flags,
                                       int& result);

}  // namespace tavix::store::sqlite
