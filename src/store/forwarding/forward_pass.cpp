#include "store/forwarding/forward_pass.hpp"

#include <algorithm>

#include "store/core/failure.hpp"

namespace tavix::store::forwarding {

namespace {

// A server that applied more of this source than the file ever recorded is fed by another
// copy of the file; forwarding this one would skip its changes as if sent.
void RequireSameHistory(ChangeQueue& queue, const ChangeApplier& applier, std::int64_t applied) {
    const std::int64_t last = queue.LastSequence();
    if (applied > last) {
        Fail(queue.Name(), "forward its changes to " + applier.Name(),
             "the server has applied its changes up to number " + std::to_string(applied) +
                 ", but this file recorded only " + std::to_string(last) +
                 ": it is an older copy of the file (a restored backup?) and is not forwarded",
             ErrorKind::kConstraint);
    }
}

std::int64_t ChangesAfter(const Batch& batch, std::int64_t applied) {
    return std::count_if(batch.changes.begin(), batch.changes.end(),
                         [&](const Change& change) { return change.sequence > applied; });
}

}  // namespace

ForwardOutcome ForwardPass(ChangeQueue& queue, ChangeApplier& applier, std::size_t batch_changes) {
    ForwardOutcome outcome;
    std::int64_t applied = applier.AppliedThrough(queue.Source());
    RequireSameHistory(queue, applier, applied);
    queue.Acknowledge(applied);
    std::size_t size = batch_changes;
    for (;;) {
        const Batch batch = queue.Next(applied, size);
        if (batch.changes.empty()) {
            break;
        }
        try {
            const std::int64_t now = applier.Apply(queue.Source(), queue.Origin(), batch);
            outcome.forwarded += ChangesAfter(batch, applied);
            applied = now;
            queue.Acknowledge(applied);
        } catch (const ChangeRefused& refused) {
            if (batch.changes.size() > 1) {
                size = std::max<std::size_t>(1, batch.changes.size() / 2);
                continue;
            }
            queue.SetAside(batch.changes.front(), refused.what());
            ++outcome.set_aside;
            outcome.set_aside_reasons.push_back(refused.what());
            size = batch_changes;
        }
    }
    outcome.waiting = queue.Waiting();
    return outcome;
}

}  // namespace tavix::store::forwarding
