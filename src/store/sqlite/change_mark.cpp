#include "store/sqlite/change_mark.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>

namespace tavix::store::sqlite {

namespace {

// The file header's fields (sqlite.org/fileformat.html) and the log index's first header.
constexpr int kWriteVersionOffset = 18;  // 2 in WAL mode
constexpr unsigned char kWalVersion = 2;
constexpr int kChangeCounterOffset = 24;
constexpr int kHeaderBytesRead = kChangeCounterOffset + 4;
constexpr int kIndexRegionSize = 32 * 1024;
constexpr std::size_t kIndexHeaderSize = 48;

sqlite3_file* MainFile(sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr) {
        return nullptr;
    }
    return file;
}

// The log index as SQLite maps it for this connection (mapped already once it read in WAL
// mode); nothing when the file's methods have no shared memory or it is not there yet.
const volatile unsigned char* LogIndex(sqlite3_file* file) {
    if (file->pMethods->iVersion < 2 || file->pMethods->xShmMap == nullptr) {
        return nullptr;
    }
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kIndexRegionSize, 0, &region) != SQLITE_OK) {
        return nullptr;
    }
    return static_cast<const volatile unsigned char*>(region);
}

}  // namespace

std::optional<ChangeMark> ReadChangeMark(sqlite3* db) {
    sqlite3_file* file = db != nullptr ? MainFile(db) : nullptr;
    if (file == nullptr) {
        return std::nullopt;
    }
    std::array<unsigned char, kHeaderBytesRead> header{};
    if (file->pMethods->xRead(file, header.data(), kHeaderBytesRead, 0) != SQLITE_OK) {
        return std::nullopt;
    }
    ChangeMark mark{};
    std::copy_n(header.begin() + kChangeCounterOffset, 4, mark.begin());
    if (header[kWriteVersionOffset] != kWalVersion) {
        return mark;
    }
    const volatile unsigned char* index = LogIndex(file);
    if (index == nullptr) {
        return std::nullopt;
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    std::copy_n(index, kIndexHeaderSize, mark.begin() + 4);
    return mark;
}

}  // namespace tavix::store::sqlite
