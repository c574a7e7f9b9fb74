#include "store/sqlite/write_ahead_log.hpp"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <string_view>

#include "store/sqlite/handle.hpp"

namespace tavix::store::sqlite {

bool InWalMode(sqlite3* db) {
    int result = SQLITE_OK;
    const StatementHandle statement =
        PrepareStatementHandle(db, "PRAGMA main.journal_mode", 0, result);
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) {
        return false;
    }
    const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    return mode != nullptr && std::string_view(mode) == "wal";
}

LogFiles LogFilesOf(const std::string& database_name) {
    return {database_name + "-wal", database_name + "-shm"};
}

std::optional<LogHeader> LogHeaderAt(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    LogHeader header{};
    std::size_t filled = 0;
    while (filled < header.size()) {
        const ssize_t n =
            ::pread(fd, header.data() + filled, header.size() - filled, static_cast<off_t>(filled));
        if (n <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);  // SQLite takes no locks on a log, so none is dropped here
    return header;
}

std::optional<LogHeader> OpenLogHeader(sqlite3* db) {
    if (!InWalMode(db)) {
        return std::nullopt;
    }
    sqlite3_file* log = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK ||
        log == nullptr || log->pMethods == nullptr) {
        return std::nullopt;
    }
    LogHeader header{};
    // A short read fills the rest with zeros, as LogHeaderAt does.
    const int result = log->pMethods->xRead(log, header.data(), header.size(), 0);
    if (result != SQLITE_OK && result != SQLITE_IOERR_SHORT_READ) {
        return std::nullopt;
    }
    return header;
}

LockHolders LogUsers(const LogFiles& files) {
    return LockHoldersOf(files.index);
}

bool RemoveUnusedLog(const LogFiles& files) {
    if (LogUsers(files).Any()) {
        return false;
    }
    ::unlink(files.log.c_str());
    ::unlink(files.index.c_str());
    return true;
}

}  // namespace tavix::store::sqlite
