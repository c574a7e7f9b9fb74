#pragma once

#include <stdexcept>
#include <string>

namespace tavix::store {

// Every failure of the store: the message says what failed and on which file, in words a
// person can act on.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A failure that can pass by itself, so that the same operation may well succeed later: the
// disk full or failing, a lock another program held too long, the files beside the database
// in use by another program for another file. The database and recordset objects stay usable
// and try again on their next use.
class TransientStoreError : public StoreError {
  public:
    enum class Cause { kDisk, kLock, kFileInUse };

    TransientStoreError(const std::string& message, Cause cause)
        : StoreError(message), cause_(cause) {}

    Cause Why() const { return cause_; }

  private:
    Cause cause_;
};

}  // namespace tavix::store
