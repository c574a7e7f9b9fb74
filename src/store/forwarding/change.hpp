#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/stored_field.hpp"

namespace tavix::store::forwarding {

// One change of a reading, as a local file forwards it: the reading as the file holds it now,
// or its removal.
struct Change {
    enum class Kind {
        kPut,     // the reading as the file holds it now: inserted, or overwriting the
                  // server's row of the same key (the terminal's later change wins)
        kAdd,     // a spooled reading: inserted unless a row of its key is there already
        kRemove,  // deleted on the terminal: the server's row of the key goes
    };

    std::int64_t sequence = 0;  // its place in the file's queue, increasing
    std::string reading_key;    // a UUID in its text form
    Kind kind = Kind::kPut;
    std::int64_t source_id = 0;          // kPut: the reading's row id in the file
    std::array<StoredField, 4> reading;  // kPut, kAdd: code, qt, terminal, DateTime as stored
};

// A contiguous stretch of a queue: every change recorded after the previous batch through
// `through`, collapsed so that each reading appears once, with the latest of its sequences.
struct Batch {
    std::vector<Change> changes;
    std::int64_t through = 0;  // the last sequence covered; 0 for an empty batch
};

}  // namespace tavix::store::forwarding
