#include "store/sqlite/forwarding.hpp"

#include "store/core/failure.hpp"
#include "store/database.hpp"
#include "store/sqlite/file_change_queue.hpp"
#include "store/sqlite/forwarding_preparation.hpp"
#include "store/sqlite/forwarding_problems.hpp"
#include "store/sqlite/forwarding_schema.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kOpenAction = "forward it";

// A file whose triggers or tables were changed no longer records every change: forwarding it
// would leave the server silently different from it.
void RefuseDamagedForwarding(Connection& connection, ForwardingKind kind) {
    const std::vector<std::string> problems = ForwardingProblems(connection, kind);
    if (problems.empty()) {
        return;
    }
    std::string listed;
    for (const std::string& problem : problems) {
        listed += (listed.empty() ? "" : "; ") + problem;
    }
    Fail(connection.Path(), kOpenAction, "its forwarding tables are damaged: " + listed,
         ErrorKind::kCorrupt);
}

}  // namespace

std::unique_ptr<forwarding::ChangeQueue> OpenChangeQueue(const std::string& file, History history) {
    auto connection = std::make_unique<Connection>(file, kDefaultBusyTimeout);
    connection->Attach(kOpenAction);
    PrepareOpenFile(*connection, history);
    const ForwardingKind kind = FindForwardingKind(*connection);
    RefuseDamagedForwarding(*connection, kind);
    return std::make_unique<FileChangeQueue>(
        std::move(connection), kind == ForwardingKind::kSpool ? FileChangeQueue::Kind::kSpool
                                                              : FileChangeQueue::Kind::kOutbox);
}

}  // namespace tavix::store::sqlite
