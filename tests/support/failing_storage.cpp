#include "support/failing_storage.hpp"

#include <sqlite3.h>
#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace tavix::testing {

namespace {

constexpr const char* kVfsName = "tavix-failing-storage";

// Calls from the nth on fail with error; 0 means none fails.
struct Fault {
    int from = 0;
    int error = SQLITE_OK;
};

struct Counts {
    int writes = 0;
    std::array<int, 3> syncs{};
    int refused = 0;
    Fault write_fault;
    Fault sync_fault;
};

Counts counts;
sqlite3_vfs* real_vfs = nullptr;  // the default VFS this one wraps

int AllSyncs() {
    return counts.syncs[0] + counts.syncs[1] + counts.syncs[2];
}

bool Refuse(int call, const Fault& fault) {
    if (fault.from == 0 || call < fault.from) {
        return false;
    }
    ++counts.refused;
    return true;
}

// Our file comes first; the real VFS's file follows it, suitably aligned.
struct WrappedFile {
    sqlite3_file base;
    FileRole role;
    const char* name;  // SQLite keeps it alive while the file is open
};
constexpr std::size_t kRealOffset = (sizeof(WrappedFile) + alignof(std::max_align_t) - 1) /
                                    alignof(std::max_align_t) * alignof(std::max_align_t);

WrappedFile* Wrapped(sqlite3_file* file) {
    return reinterpret_cast<WrappedFile*>(file);
}
sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
}
const sqlite3_io_methods& RealMethods(sqlite3_file* file) {
    return *Real(file)->pMethods;
}

int Close(sqlite3_file* file) {
    return RealMethods(file).xClose(Real(file));
}
int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    return RealMethods(file).xRead(Real(file), buffer, amount, offset);
}
int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    if (Refuse(++counts.writes, counts.write_fault)) {
        return counts.write_fault.error;
    }
    return RealMethods(file).xWrite(Real(file), buffer, amount, offset);
}
int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    return RealMethods(file).xTruncate(Real(file), size);
}
int Sync(sqlite3_file* file, int flags) {
    ++counts.syncs[static_cast<std::size_t>(Wrapped(file)->role)];
    if (Refuse(AllSyncs(), counts.sync_fault)) {
        return counts.sync_fault.error;
    }
    return RealMethods(file).xSync(Real(file), flags);
}
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    return RealMethods(file).xFileSize(Real(file), size);
}
int Lock(sqlite3_file* file, int level) {
    return RealMethods(file).xLock(Real(file), level);
}
int Unlock(sqlite3_file* file, int level) {
    return RealMethods(file).xUnlock(Real(file), level);
}
int CheckReservedLock(sqlite3_file* file, int* result) {
    return RealMethods(file).xCheckReservedLock(Real(file), result);
}
int FileControl(sqlite3_file* file, int op, void* argument) {
    return RealMethods(file).xFileControl(Real(file), op, argument);
}
int SectorSize(sqlite3_file* file) {
    return RealMethods(file).xSectorSize(Real(file));
}
int DeviceCharacteristics(sqlite3_file* file) {
    return RealMethods(file).xDeviceCharacteristics(Real(file));
}
// The shared memory beside the database grows by writes to the disk, which the real VFS makes
// itself: while writes fail, so does the growth a full disk would refuse.
bool SharedMemoryMustGrow(sqlite3_file* file, int region, int size) {
    struct stat status {};
    const char* name = Wrapped(file)->name;
    if (name == nullptr || ::stat((std::string(name) + "-shm").c_str(), &status) != 0) {
        return true;
    }
    return status.st_size < static_cast<off_t>(region + 1) * size;
}
int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** memory) {
    const Fault& fault = counts.write_fault;
    const bool writes_fail = fault.from != 0 && counts.writes + 1 >= fault.from;
    if (extend != 0 && writes_fail && SharedMemoryMustGrow(file, region, size)) {
        ++counts.refused;
        return SQLITE_IOERR_SHMSIZE;
    }
    return RealMethods(file).xShmMap(Real(file), region, size, extend, memory);
}
int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
    return RealMethods(file).xShmLock(Real(file), offset, n, flags);
}
void ShmBarrier(sqlite3_file* file) {
    RealMethods(file).xShmBarrier(Real(file));
}
int ShmUnmap(sqlite3_file* file, int delete_flag) {
    return RealMethods(file).xShmUnmap(Real(file), delete_flag);
}
int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** pointer) {
    return RealMethods(file).xFetch(Real(file), offset, amount, pointer);
}
int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* pointer) {
    return RealMethods(file).xUnfetch(Real(file), offset, pointer);
}

const sqlite3_io_methods kMethods = {
    3,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    Fetch,
    Unfetch,
};

FileRole RoleOf(int flags) {
    if ((flags & SQLITE_OPEN_MAIN_DB) != 0) {
        return FileRole::kDatabase;
    }
    if ((flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL)) != 0) {
        return FileRole::kJournal;
    }
    return FileRole::kOther;
}

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
    WrappedFile* wrapped = Wrapped(file);
    wrapped->base.pMethods = nullptr;
    wrapped->role = RoleOf(flags);
    wrapped->name = name;
    sqlite3_file* real = Real(file);
    real->pMethods = nullptr;
    const int result = real_vfs->xOpen(real_vfs, name, real, flags, out_flags);
    if (real->pMethods == nullptr) {
        return result;
    }
    if (real->pMethods->iVersion < kMethods.iVersion) {
        real->pMethods->xClose(real);  // it lacks what this wrapper forwards
        return SQLITE_CANTOPEN;
    }
    wrapped->base.pMethods = &kMethods;  // also after a failure, so that Close reaches it
    return result;
}

int Delete(sqlite3_vfs*, const char* name, int sync_directory) {
    return real_vfs->xDelete(real_vfs, name, sync_directory);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* result) {
    return real_vfs->xAccess(real_vfs, name, flags, result);
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return real_vfs->xFullPathname(real_vfs, name, size, out);
}
void* DlOpen(sqlite3_vfs*, const char* name) {
    return real_vfs->xDlOpen(real_vfs, name);
}
void DlError(sqlite3_vfs*, int size, char* message) {
    real_vfs->xDlError(real_vfs, size, message);
}
void (*DlSym(sqlite3_vfs*, void* library, const char* symbol))(void) {
    return real_vfs->xDlSym(real_vfs, library, symbol);
}
void DlClose(sqlite3_vfs*, void* library) {
    real_vfs->xDlClose(real_vfs, library);
}
int Randomness(sqlite3_vfs*, int size, char* out) {
    return real_vfs->xRandomness(real_vfs, size, out);
}
int Sleep(sqlite3_vfs*, int microseconds) {
    return real_vfs->xSleep(real_vfs, microseconds);
}
int CurrentTime(sqlite3_vfs*, double* now) {
    return real_vfs->xCurrentTime(real_vfs, now);
}
int GetLastError(sqlite3_vfs*, int size, char* out) {
    return real_vfs->xGetLastError(real_vfs, size, out);
}
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    return real_vfs->xCurrentTimeInt64(real_vfs, now);
}

sqlite3_vfs vfs;  // filled in on first use, from the default VFS of that moment

void RegisterOnce() {
    if (real_vfs != nullptr) {
        return;
    }
    real_vfs = sqlite3_vfs_find(nullptr);
    if (real_vfs == nullptr || real_vfs->iVersion < 2) {
        throw std::logic_error("SQLite has no usable default VFS to wrap");
    }
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(kRealOffset) + real_vfs->szOsFile;
    vfs.mxPathname = real_vfs->mxPathname;
    vfs.zName = kVfsName;
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    vfs.xAccess = Access;
    vfs.xFullPathname = FullPathname;
    vfs.xDlOpen = DlOpen;
    vfs.xDlError = DlError;
    vfs.xDlSym = DlSym;
    vfs.xDlClose = DlClose;
    vfs.xRandomness = Randomness;
    vfs.xSleep = Sleep;
    vfs.xCurrentTime = CurrentTime;
    vfs.xGetLastError = GetLastError;
    vfs.xCurrentTimeInt64 = CurrentTimeInt64;
}

}  // namespace

FailingStorage::FailingStorage() {
    RegisterOnce();
    counts = Counts{};
    if (sqlite3_vfs_register(&vfs, 1) != SQLITE_OK) {
        throw std::runtime_error("cannot register the failing-storage VFS");
    }
}

FailingStorage::~FailingStorage() {
    Heal();
    sqlite3_vfs_register(real_vfs, 1);
}

void FailingStorage::FailWritesFrom(int nth, int error) {
    counts.write_fault = {counts.writes + nth, error};
}

void FailingStorage::FailSyncsFrom(int nth, int error) {
    counts.sync_fault = {AllSyncs() + nth, error};
}

void FailingStorage::Heal() {
    counts.write_fault = {};
    counts.sync_fault = {};
}

int FailingStorage::Writes() const {
    return counts.writes;
}

int FailingStorage::Syncs(FileRole role) const {
    return counts.syncs[static_cast<std::size_t>(role)];
}

int FailingStorage::Refused() const {
    return counts.refused;
}

}  // namespace tavix::testing
