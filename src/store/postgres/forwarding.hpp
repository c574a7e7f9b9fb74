#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/forwarding/change_applier.hpp"

namespace tavix::store::postgres {

// The server's side of forwarding (store/forwarding.hpp). Connects at the first call and again
// after the connection was lost.
std::unique_ptr<forwarding::ChangeApplier> OpenChangeApplier(const std::string& uri);

std::vector<std::string> UpgradeReadingsTable(const std::string& uri);

}  // namespace tavix::store::postgres
