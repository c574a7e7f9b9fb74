#pragma once

#include <string>

#include "store/value.hpp"

namespace tavix::store {

// A new reading as the program stores it into the readings table.
struct KeptReading {
    Value code;
    Value qt;
    Value terminal;
    Value date_time;
};

// Where a reading waits, durably, when the server may or may not have stored it: the answer to
// its commit was lost and could not be found out. It is resent with the same key until the
// server has answered (INSERT ... ON CONFLICT (reading_key) DO NOTHING), so it is stored
// exactly once, and the operator may go on at once.
class ReadingKeeper {
  public:
    virtual ~ReadingKeeper() = default;

    // The keeper's file, for messages.
    virtual const std::string& Name() const = 0;

    // Keeps the reading under its key; durable when this returns. Throws StoreError when it
    // cannot be kept (the local disk failed as well): the reading is then durable nowhere.
    virtual void Keep(const std::string& reading_key, const KeptReading& reading) = 0;
};

}  // namespace tavix::store
