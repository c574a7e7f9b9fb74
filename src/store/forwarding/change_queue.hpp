#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/forwarding/change.hpp"

namespace tavix::store::forwarding {

// The changes waiting in a local file (a readings file's outbox, or a spool), in the order they
// were recorded. Every failure throws StoreError naming the file.
class ChangeQueue {
  public:
    virtual ~ChangeQueue() = default;

    // The file, for messages.
    virtual const std::string& Name() const = 0;

    // The file's own key (a UUID), under which the server records what it applied from it.
    virtual const std::string& Source() const = 0;

    // Where the file is, for an administrator reading the server: host and path.
    virtual const std::string& Origin() const = 0;

    // The highest sequence the file has ever given a change (0: none). A server that applied
    // beyond it is fed by another copy of the file (a restored backup), which must not be
    // forwarded as if it were the same.
    virtual std::int64_t LastSequence() = 0;

    // The changes after `after`, at most `at_most` sequences of the queue, read in one read
    // transaction; an empty batch when none waits.
    virtual Batch Next(std::int64_t after, std::size_t at_most) = 0;

    // Drops every change through `through`: the server holds them.
    virtual void Acknowledge(std::int64_t through) = 0;

    // Sets a change the server refused for good aside, with the reason, out of the queue, so
    // that the changes behind it go on.
    virtual void SetAside(const Change& change, const std::string& reason) = 0;

    // Changes still waiting.
    virtual std::int64_t Waiting() = 0;
};

}  // namespace tavix::store::forwarding
