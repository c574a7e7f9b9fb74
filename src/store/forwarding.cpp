#include "store/forwarding.hpp"

#include "store/forwarding/forward_pass.hpp"
#include "store/postgres/forwarding.hpp"
#include "store/sqlite/forwarding.hpp"

namespace tavix::store {

struct Forwarder::State {
    std::string file;
    std::string uri;
    History history;
    std::unique_ptr<forwarding::ChangeQueue> queue;
    std::unique_ptr<forwarding::ChangeApplier> applier;
};

Forwarder::Forwarder(std::string file, std::string uri, History history)
    : state_(std::make_unique<State>(State{std::move(file), std::move(uri), history, {}, {}})) {}

Forwarder::~Forwarder() = default;

ForwardOutcome Forwarder::ForwardPending() {
    ForwardOutcome outcome;
    try {
        if (!state_->queue) {
            state_->queue = sqlite::OpenChangeQueue(state_->file, state_->history);
        }
        outcome.waiting = state_->queue->Waiting();
        if (outcome.waiting == 0) {
            return outcome;
        }
        if (!state_->applier) {
            state_->applier = postgres::OpenChangeApplier(state_->uri);
        }
        return forwarding::ForwardPass(*state_->queue, *state_->applier);
    } catch (const StoreError& error) {
        // Opened afresh next time: a file replaced meanwhile, a connection gone.
        state_->queue.reset();
        state_->applier.reset();
        outcome.failure = error.what();
        return outcome;
    }
}

void PrepareForwarding(const std::string& file, History history) {
    sqlite::PrepareForwarding(file, history);
}

std::optional<QueueState> ReadQueueState(const std::string& file) {
    return sqlite::ReadQueueState(file);
}

std::shared_ptr<ReadingKeeper> OpenSpool(const std::string& path) {
    return sqlite::OpenSpool(path);
}

std::vector<std::string> UpgradeReadingsTable(const std::string& uri) {
    return postgres::UpgradeReadingsTable(uri);
}

}  // namespace tavix::store
