#pragma once

#include <chrono>
#include <string>
#include <string_view>

struct sqlite3;

namespace tavix::store::sqlite {

// An SQLite handle on the file at path, opened with flags, reporting extended result codes and
// waiting at most busy_timeout for another program's lock. Throws StoreError naming path and
// action when SQLite cannot open it; nothing is left open then.
sqlite3* OpenDatabaseHandle(const std::string& path, int flags,
                            std::chrono::milliseconds busy_timeout, std::string_view action);

}  // namespace tavix::store::sqlite
