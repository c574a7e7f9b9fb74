#include "store/sqlite/database_file.hpp"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kCreateAction = "create the database";
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};
constexpr std::string_view kCreateHint = " (create an empty one with: tavix-admin init PATH)";
// init never writes over a file, not even an empty one another program may have made.
constexpr std::string_view kReplaceHint =
    " (remove it, then create an empty store with: tavix-admin init PATH)";

// The path as one word of a shell command, so the advice can be pasted as it is.
std::string ShellWord(const std::string& path) {
    constexpr std::string_view kPlain =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-+,:@%";
    if (!path.empty() && path.find_first_not_of(kPlain) == std::string::npos) {
        return path;
    }
    std::string word = "'";
    for (const char c : path) {
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return word += "'";
}

// The command that makes the missing store, to be pasted in any folder.
std::string CreateAdvice(const std::string& path) {
    return " (create an empty one with: tavix-admin init " + PathForCommand(path) + ")";
}

// Closes a file descriptor when it goes.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }

  private:
    int fd_;
};

std::string ErrnoText() {
    return std::strerror(errno);
}

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::string PathForCommand(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return ShellWord(error ? path : absolute.lexically_normal().string());
}

std::string WalPath(const std::string& path) {
    return path + "-wal";
}
std::string SharedMemoryPath(const std::string& path) {
    return path + "-shm";
}
std::string JournalPath(const std::string& path) {
    return path + "-journal";
}

void CheckDatabaseFileKind(const std::string& path) {
    if (path.empty()) {
        // Never to pass: SQLite would take an empty name for a temporary database.
        Fail(path, kOpenAction, "no file is named", ErrorKind::kIo);
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            // Opened at the next use once it is made.
            FailForNow(path, kOpenAction, "the file does not exist" + CreateAdvice(path),
                       ErrorKind::kIo);
        }
        Fail(path, kOpenAction, ErrnoText(), ErrorKind::kIo);
    }
    if (S_ISDIR(status.st_mode)) {
        Fail(path, kOpenAction, "it is a folder, not a database file", ErrorKind::kCorrupt);
    }
    if (!S_ISREG(status.st_mode)) {
        Fail(path, kOpenAction, "it is not a regular file", ErrorKind::kCorrupt);
    }
    if (status.st_size == 0) {
        Fail(path, kOpenAction,
             "the file is empty (0 bytes), not a database" + std::string(kReplaceHint),
             ErrorKind::kCorrupt);
    }
    if (::access(path.c_str(), R_OK) != 0) {
        Fail(path, kOpenAction, "the file cannot be read: " + ErrnoText(), ErrorKind::kIo);
    }
}

void CheckDatabaseHeader(const std::string& path, sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr) {
        Fail(path, kOpenAction, "the file cannot be read", ErrorKind::kIo);
    }
    char header[kSqliteHeader.size()] = {};
    const int result = file->pMethods->xRead(file, header, sizeof header, 0);
    if (result != SQLITE_OK && result != SQLITE_IOERR_SHORT_READ) {
        Fail(path, kOpenAction, "the file cannot be read: " + SqliteReason(db, result),
             ErrorKind::kIo);
    }
    if (std::string_view(header, sizeof header) != kSqliteHeader) {
        Fail(path, kOpenAction, "the file is not an SQLite database", ErrorKind::kCorrupt);
    }
}

void CreateEmptyFile(const std::string& path) {
    for (const std::string& leftover : {WalPath(path), JournalPath(path)}) {
        if (Exists(leftover)) {
            Fail(path, kCreateAction,
                 "a leftover '" + leftover + "' is beside it; move it away first");
        }
    }
    // O_EXCL: refuses anything already at path, dangling symbolic links included, with no
    // window between the test and the creation.
    const FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        if (errno == EEXIST) {
            Fail(path, kCreateAction, "something already exists there; it is left untouched");
        }
        Fail(path, kCreateAction, ErrnoText());
    }
}

}  // namespace tavix::store::sqlite
