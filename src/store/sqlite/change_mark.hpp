#pragma once

#include <array>
#include <cstddef>
#include <optional>

struct sqlite3;

namespace tavix::store::sqlite {

// What changes whenever anyone commits to a database file: its change counter, which every
// commit in rollback-journal mode advances, and in WAL mode the header of the log's index in
// shared memory, which every commit rewrites (its last frame, checksums and salts). Read
// through SQLite's own handles on the file without running a statement, so without its locks:
// a mark taken while a commit is under way matches none taken after it, which only means that
// something is read again.
constexpr std::size_t kChangeMarkSize = 4 + 48;
using ChangeMark = std::array<unsigned char, kChangeMarkSize>;

// The mark of the main database of db as the file stands now; nothing when it cannot be read
// (a file SQLite has not written yet, a log index that cannot be mapped), and then nothing may
// be taken as unchanged.
std::optional<ChangeMark> ReadChangeMark(sqlite3* db);

}  // namespace tavix::store::sqlite
