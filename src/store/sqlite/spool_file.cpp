#include "store/sqlite/spool_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "store/core/failure.hpp"
#include "store/database.hpp"
#include "store/sqlite/database_file.hpp"
#include "store/sqlite/forwarding.hpp"
#include "store/sqlite/forwarding_schema.hpp"
#include "store/sqlite/transaction.hpp"

namespace tavix::store::sqlite {

namespace {

namespace tables = forwarding_tables;

constexpr std::string_view kCreateAction = "create the spool";
constexpr std::string_view kKeepAction = "keep the reading in the spool";
// The sessions of every user of the host share the spool and its folder, whatever their umask.
constexpr mode_t kFolderMode = 0775;
constexpr mode_t kFileMode = 0664;

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

[[noreturn]] void FailOnErrno(const std::string& path, std::string_view what) {
    const int error = errno;
    Fail(path, kCreateAction, std::string(what) + ": " + std::strerror(error),
         error == EROFS || error == EACCES || error == EPERM ? ErrorKind::kReadOnly
                                                             : ErrorKind::kIo);
}

void MakeFolders(const std::string& spool) {
    std::filesystem::path folder;
    for (const auto& part : std::filesystem::path(spool).parent_path()) {
        folder /= part;
        if (::mkdir(folder.c_str(), kFolderMode) == 0) {
            ::chmod(folder.c_str(), kFolderMode);
        } else if (errno != EEXIST) {
            FailOnErrno(spool, "the folder " + folder.string() + " could not be made");
        }
    }
}

// An empty file beside the spool's path, for the spool to be made in.
std::string NewFileBeside(const std::string& spool) {
    std::string name = spool + ".new-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        FailOnErrno(spool, "no file could be made in its folder");
    }
    const bool moded = ::fchmod(fd, kFileMode) == 0;
    ::close(fd);
    if (!moded) {
        ::unlink(name.c_str());
        FailOnErrno(spool, "the mode of a new file could not be set");
    }
    return name;
}

void WriteSpoolSchema(const std::string& path) {
    Connection connection(path, kDefaultBusyTimeout, Connection::Expect::kNewFile);
    connection.Attach(kCreateAction);
    SwitchToWal(connection);
    UseFullSync(connection);
    ImmediateTransaction transaction(connection, kCreateAction);
    CreateForwardingObjects(connection, SpoolObjects());
    transaction.Commit();
}

void RemoveWithLog(const std::string& path) {
    for (const std::string& file : {WalPath(path), SharedMemoryPath(path), path}) {
        ::unlink(file.c_str());
    }
}

// Made whole under another name, then linked into place: a session that finds the path finds
// a complete spool, and of two sessions making it at once, the second keeps the first's.
void CreateSpoolUnlessThere(const std::string& spool) {
    if (Exists(spool)) {
        return;
    }
    MakeFolders(spool);
    const std::string made = NewFileBeside(spool);
    try {
        WriteSpoolSchema(made);
    } catch (...) {
        RemoveWithLog(made);
        throw;
    }
    const bool linked = ::link(made.c_str(), spool.c_str()) == 0 || errno == EEXIST;
    const int link_error = errno;
    RemoveWithLog(made);
    if (!linked) {
        errno = link_error;
        FailOnErrno(spool, "the new spool could not be put in place");
    }
}

}  // namespace

void SpoolFile::Attach() {
    CreateSpoolUnlessThere(path_);
    if (!connection_) {
        connection_ = std::make_unique<Connection>(path_, kDefaultBusyTimeout);
    }
    connection_->Attach(kKeepAction);
    if (!HasTable(*connection_, tables::kSpool)) {
        Fail(path_, kKeepAction,
             std::string("it is not a spool: it has no table ") + tables::kSpool,
             ErrorKind::kNoSuchTable);
    }
}

void SpoolFile::Keep(const std::string& reading_key, const KeptReading& reading) {
    const std::lock_guard lock(mutex_);
    Attach();
    ImmediateTransaction transaction(*connection_, kKeepAction);
    {
        Query insert(
            *connection_,
            std::string("INSERT INTO ") + tables::kSpool +
                " (ReadingKey, Code, Qt, Terminal, DateTime, KeptAt) VALUES (?1, ?2, ?3, "
                "?4, ?5, datetime('now', 'localtime')) ON CONFLICT (ReadingKey) DO NOTHING",
            kKeepAction);
        insert->BindStoredText(1, reading_key);
        insert->Bind(2, reading.code);
        insert->Bind(3, reading.qt);
        insert->Bind(4, reading.terminal);
        insert->Bind(5, reading.date_time);
        insert.Step();
    }
    transaction.Commit();
}

std::shared_ptr<ReadingKeeper> OpenSpool(const std::string& path) {
    return std::make_shared<SpoolFile>(path);
}

}  // namespace tavix::store::sqlite
