#include "store/sqlite/access_reasons.hpp"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "store/sqlite/database_file.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool Exists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

bool Writable(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileName(sqlite3* db) {
    const char* name = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
    return name != nullptr ? name : "";
}

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// The -wal and -shm files, each with a remedy: a log may hold readings not yet in the file and
// is never to be removed, while the shared memory is made again by the next program to open it.
struct FileBeside {
    std::string path;
    std::string what;
    std::string remedy;
};

std::vector<FileBeside> FilesBeside(const std::string& path) {
    return {{WalPath(path), "write-ahead log", "make it as writable as the file"},
            {SharedMemoryPath(path), "shared-memory file",
             "make it as writable as the file, or remove it while no program has the file open"}};
}

}  // namespace

std::string ReadOnlyReason(sqlite3* db, int result_code, const std::string& detail) {
    const std::string path = FileName(db);
    const std::string suffix = " (" + detail + ")";
    if (path.empty()) {
        return "the file or its folder is read-only" + suffix;
    }
    const std::string folder = FolderOf(path);
    const bool reader = sqlite3_db_readonly(db, "main") == 1;
    if (result_code == SQLITE_READONLY_DIRECTORY && reader) {
        return "while no program has a file in WAL mode open, reading it needs its shared-memory "
               "file " +
               SharedMemoryPath(path) + ", which this user cannot create: the folder " + folder +
               " is not writable for them. Let the readers write to the folder (see the site "
               "set-up in the README), or read while a tavix session has the file open" +
               suffix;
    }
    if (!Writable(path)) {
        return "the file is read-only for this user" + suffix;
    }
    std::string read_only;
    for (const FileBeside& beside : FilesBeside(path)) {
        if (Exists(beside.path) && !Writable(beside.path)) {
            read_only += (read_only.empty() ? "" : " and ") + beside.path;
        }
    }
    if (!read_only.empty()) {
        return "beside it, " + read_only +
               " cannot be written by this user (left so by a program that opened the file while "
               "it was read-only): make each as writable as the file, or remove a -shm while no "
               "program has the file open" +
               suffix;
    }
    if (reader) {
        return "the file was read-only when this program opened it; it is written to once the "
               "program starts again" +
               suffix;
    }
    if (result_code == SQLITE_READONLY_DIRECTORY || !Writable(folder)) {
        return "its folder " + folder +
               " is read-only for this user, and SQLite keeps its -wal and -shm files there" +
               suffix;
    }
    return "the file or its folder is read-only" + suffix;
}

std::vector<std::string> FilesBesideProblems(const std::string& path) {
    std::vector<std::string> problems;
    struct stat database {};
    if (::stat(path.c_str(), &database) != 0) {
        return problems;
    }
    for (const FileBeside& beside : FilesBeside(path)) {
        struct stat status {};
        if (::stat(beside.path.c_str(), &status) != 0) {
            continue;
        }
        const bool lacks_a_write_bit = (database.st_mode & kWriteBits & ~status.st_mode) != 0;
        if (lacks_a_write_bit || (Writable(path) && !Writable(beside.path))) {
            problems.push_back("its " + beside.what + " " + beside.path + " (mode " +
                               ModeText(status.st_mode) + ") is not as writable as the file (" +
                               ModeText(database.st_mode) +
                               "), so no program can store a reading: " + beside.remedy);
        }
    }
    return problems;
}

}  // namespace tavix::store::sqlite
