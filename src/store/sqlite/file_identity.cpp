#include "store/sqlite/file_identity.hpp"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tavix::store::sqlite {

namespace {

struct LockLine {
    bool held = false;
    long pid = 0;  // -1 for a lock owned by an open file rather than a process
    FileIdentity file;
};

// A line of /proc/locks: "1: POSIX  ADVISORY  READ 1234 fe:00:10952777 128 128". A process
// waiting for a lock has "->" after the number; it holds nothing yet.
LockLine ParseLockLine(const std::string& line) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, device_and_inode;
    LockLine lock;
    fields >> number >> kind;
    if (kind == "->") {
        return lock;
    }
    fields >> mode >> access >> lock.pid >> device_and_inode;
    unsigned major_number = 0;
    unsigned minor_number = 0;
    unsigned long long inode = 0;
    if (std::sscanf(device_and_inode.c_str(), "%x:%x:%llu", &major_number, &minor_number, &inode) !=
        3) {
        return lock;
    }
    lock.held = true;
    lock.file = {makedev(major_number, minor_number), static_cast<ino_t>(inode)};
    return lock;
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

LockHolders LockHoldersOf(const std::string& path) {
    LockHolders holders;
    const std::optional<FileIdentity> file = IdentityOf(path);
    if (!file) {
        return holders;
    }
    // Reading the table of locks opens nothing of the file itself: closing a descriptor of a
    // file would drop every lock this process holds on it, SQLite's own included.
    std::ifstream locks("/proc/locks");
    const long this_process = ::getpid();
    std::string line;
    while (std::getline(locks, line)) {
        const LockLine lock = ParseLockLine(line);
        if (lock.held && lock.file == *file) {
            (lock.pid == this_process ? holders.this_process : holders.other_processes) = true;
        }
    }
    return holders;
}

}  // namespace tavix::store::sqlite
