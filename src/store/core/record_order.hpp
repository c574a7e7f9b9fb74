#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "store/value.hpp"

namespace tavix::store {

// A record's key in an index order exactly as its store holds it, so that the next step binds
// it again unchanged and compares it the way the index does. Each kind of store derives its own.
class StoredKey {
  public:
    virtual ~StoredKey() = default;
};
using OrderKey = std::shared_ptr<const StoredKey>;

// Where a record stands in an order: its rowid and, in an index order, its key as stored. A
// position outlives its record, so the neighbours of a deleted record can still be found.
struct Position {
    std::int64_t rowid = 0;
    OrderKey key;  // none in the table's own order
};

// One order over a table's records. Every step is a keyset query that seeks its answer in a
// B-tree: no scan, no OFFSET, and nothing of the table is kept in memory.
class RecordOrder {
  public:
    virtual ~RecordOrder() = default;

    virtual std::optional<Position> First() = 0;
    virtual std::optional<Position> Last() = 0;
    virtual std::optional<Position> After(const Position& position) = 0;
    virtual std::optional<Position> Before(const Position& position) = 0;
    // The position of the record with that rowid, or nothing when it no longer exists.
    virtual std::optional<Position> Find(std::int64_t rowid) = 0;
    // The first record whose key equals key, or nothing. Only an index order has keys.
    virtual std::optional<Position> FirstWithKey(const Value& key) = 0;

    // How many records After may read at once, for the next steps to find read already. A store
    // that reads a record cheaply reads them one at a time all the same.
    virtual void ReadAhead(int records) { static_cast<void>(records); }
};

}  // namespace tavix::store
