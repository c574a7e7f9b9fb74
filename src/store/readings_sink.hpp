#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "store/backend.hpp"
#include "store/stored_field.hpp"

namespace tavix::store {

// An empty readings store being filled by `tavix-admin copy`: one write transaction on it,
// begun when the object opens. Readings appended in order take the store's next ids in that
// order; nothing is kept unless Commit. Each kind of store implements it; every failure is a
// StoreError whose message names the store.
class ReadingsSink {
  public:
    virtual ~ReadingsSink() = default;

    // The store's name for messages.
    virtual const std::string& Name() const = 0;

    // Appends one reading from its code, qt, terminal and DateTime as another store holds
    // them. Returns what this store could not hold as it was and what it holds instead, one
    // sentence each; empty when every value went in as it was.
    virtual std::vector<std::string> Append(std::span<const StoredField> reading) = 0;

    // Makes every appended reading durable at once.
    virtual void Commit() = 0;
};

// The store a target names, opened for a copy into it. Refuses (StoreError) a target that is
// missing, is not an initialised readings store, or holds readings already.
inline std::unique_ptr<ReadingsSink> OpenReadingsSink(const std::string& target) {
    return BackendFor(target).OpenReadingsSink(target);
}

}  // namespace tavix::store
