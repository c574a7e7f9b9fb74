#pragma once

#include <stdexcept>
#include <string>

namespace tavix::store {

// What kind of failure the store met, the same for every kind of store, so that a caller can
// choose what to do (try again later, tell an administrator what to fix) without reading the
// message.
enum class ErrorKind {
    kBusy,            // another program or session held a lock and did not let go in time
    kReadOnly,        // the file, its folder or the database refuses writes
    kNotPermitted,    // the server does not grant this session's user what it asked, read or write
    kNoSuchTable,     // a table, column or index the store needs does not exist
    kCorrupt,         // damaged, or not a database at all
    kIo,              // the disk failed or is full (the file's, or the server's own)
    kConnectionLost,  // the server could not be reached, or the connection went away
    kTimedOut,        // the server did not answer within the bounded wait
    kConstraint,      // a unique key, NOT NULL or check refused the change
    kOther,
};

// Every failure of the store: the message says what failed and on which file or server, in
// words a person can act on; the kind says it to the program.
//
// A failure that may pass by itself (a lock held too long, a full disk, a server out of
// reach, a file an administrator has yet to create) leaves the database and recordset objects
// usable: they try again on their next use.
class StoreError : public std::runtime_error {
  public:
    explicit StoreError(const std::string& message, ErrorKind kind = ErrorKind::kOther,
                        bool may_pass = false)
        : std::runtime_error(message), kind_(kind), may_pass_(may_pass) {}

    ErrorKind Kind() const { return kind_; }
    bool MayPass() const { return may_pass_; }

  private:
    ErrorKind kind_;
    bool may_pass_;
};

// A failure of the SQLite file that can pass by itself, so that the same operation may well
// succeed later: the disk full or failing, a lock another program held too long, the files
// beside the database in use by another program for another file.
class TransientStoreError : public StoreError {
  public:
    enum class Cause { kDisk, kLock, kFileInUse };

    TransientStoreError(const std::string& message, Cause cause)
        : StoreError(message, cause == Cause::kDisk ? ErrorKind::kIo : ErrorKind::kBusy, true),
          cause_(cause) {}

    Cause Why() const { return cause_; }

  private:
    Cause cause_;
};

}  // namespace tavix::store
