#pragma once

namespace tavix::testing {

// What a file is to SQLite, as far as durability goes: the database itself, the file that
// makes a commit durable (the write-ahead log or the rollback journal), or anything else.
enum class FileRole { kDatabase, kJournal, kOther };

// A disk that can fail: a thin SQLite VFS over the default one that counts writes and syncs
// and, when told, refuses them with an I/O error or a full disk. While an object lives it is
// the default VFS, so every connection opened meanwhile (the program's own included) writes
// through it; when it goes, the previous default comes back. One at a time.
class FailingStorage {
  public:
    FailingStorage();
    FailingStorage(const FailingStorage&) = delete;
    FailingStorage& operator=(const FailingStorage&) = delete;
    ~FailingStorage();

    // The nth write (1 = the next one) and every write after it fail with the SQLite result
    // code error (SQLITE_IOERR_WRITE, SQLITE_FULL, ...) until Heal. Meanwhile the shared
    // memory beside a database cannot grow either (SQLITE_IOERR_SHMSIZE), as on a full disk.
    void FailWritesFrom(int nth, int error);
    // The same for syncs (SQLITE_IOERR_FSYNC, ...).
    void FailSyncsFrom(int nth, int error);
    void Heal();

    // Counted since the object was made, refused calls included.
    int Writes() const;
    int Syncs(FileRole role) const;
    // Writes and syncs refused so far.
    int Refused() const;
};

}  // namespace tavix::testing
