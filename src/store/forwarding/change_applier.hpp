#pragma once

#include <cstdint>
#include <string>

#include "store/forwarding/change.hpp"
#include "store/store_error.hpp"

namespace tavix::store::forwarding {

// The server refused a change's values for good (a value its table cannot hold, a constraint):
// sending it again would be refused again. Nothing of the batch was applied.
class ChangeRefused : public StoreError {
  public:
    using StoreError::StoreError;
};

// The server's side of forwarding: applies batches of one source's changes, remembering in the
// same transaction the last change it applied from that source. Every failure throws
// StoreError naming the server (with the password masked).
class ChangeApplier {
  public:
    virtual ~ChangeApplier() = default;

    virtual const std::string& Name() const = 0;

    // The last sequence the server applied from source; 0 for none.
    virtual std::int64_t AppliedThrough(const std::string& source) = 0;

    // In one transaction: takes the source's row on the server (a second forwarder of the same
    // source waits there), leaves out the changes at or below what was applied already,
    // applies the others, records batch.through as applied (with origin) and commits. Returns
    // what the server has applied through afterwards. Throws ChangeRefused when a change is
    // refused for good; any other StoreError leaves the outcome to be found out by
    // AppliedThrough (the commit's answer may have been lost).
    virtual std::int64_t Apply(const std::string& source, const std::string& origin,
                               const Batch& batch) = 0;
};

}  // namespace tavix::store::forwarding
