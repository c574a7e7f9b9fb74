#pragma once

#include <optional>
#include <string>

namespace tavix::program {

// Why target cannot be the readings store, or nothing when it can. A PostgreSQL URI is passed
// on as it is: only the store can tell whether it leads anywhere. A file path must be able to
// name a database file: not empty, not a folder or a device, in a folder that exists. A missing
// file is fine here: the store finds it missing when it opens it, as it does beside the
// executable, and the program runs without readings.
std::optional<std::string> UnusableTargetReason(const std::string& target);

// Why path cannot be a spool, or nothing when it can: not empty, not a folder or a device. Its
// folder need not exist: the spool makes it with the first reading it keeps.
std::optional<std::string> UnusableSpoolReason(const std::string& path);

}  // namespace tavix::program
