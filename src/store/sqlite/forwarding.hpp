#pragma once

#include <memory>
#include <optional>
#include <string>

#include "store/forwarding.hpp"
#include "store/forwarding/change_queue.hpp"

namespace tavix::store::sqlite {

// The SQLite side of forwarding (store/forwarding.hpp): a readings file's outbox and a spool.

// The queue of a local file: a spool's kept readings (kAdd), or a readings file's outbox
// (kPut, kRemove), preparing the readings file first when it has no forwarding yet.
std::unique_ptr<forwarding::ChangeQueue> OpenChangeQueue(const std::string& file, History history);

void PrepareForwarding(const std::string& file, History history);
std::optional<QueueState> ReadQueueState(const std::string& file);
std::shared_ptr<ReadingKeeper> OpenSpool(const std::string& path);

}  // namespace tavix::store::sqlite
