#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tavix::store::sqlite {

// Which file a path names: its device and inode. A file removed and another put in its place
// has another identity, whatever its name and contents.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file path names now (symbolic links followed), or nothing when no file
// is there.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Who holds locks on the file path names. SQLite connections hold one on their database file,
// and on the shared memory beside it, for as long as they are open. Nobody when nothing is
// there or the system does not tell (no /proc).
struct LockHolders {
    bool this_process = false;
    bool other_processes = false;

    bool Any() const { return this_process || other_processes; }
};
LockHolders LockHoldersOf(const std::string& path);

}  // namespace tavix::store::sqlite
