#pragma once

#include <cstddef>

#include "store/forwarding.hpp"
#include "store/forwarding/change_applier.hpp"
#include "store/forwarding/change_queue.hpp"

namespace tavix::store::forwarding {

// Changes per transaction on the server: few commits, and bounded memory however long the
// queue.
inline constexpr std::size_t kBatchChanges = 1000;

// One pass of forwarding from queue to applier: first drops from the queue what the server
// says it applied already (the answer to the last commit may have been lost), then sends the
// rest batch by batch until none waits. A change refused for good is found by halving the
// batch that held it, set aside, and the changes behind it go on. Lets out any other
// StoreError, with what was done so far safe on both sides.
ForwardOutcome ForwardPass(ChangeQueue& queue, ChangeApplier& applier,
                           std::size_t batch_changes = kBatchChanges);

}  // namespace tavix::store::forwarding
