#pragma once

#include <optional>
#include <string>

#include "support/temp_dir.hpp"

namespace tavix::testing {

// A datagram socket in a temporary folder standing in for the system log's, so that the records
// the program sends can be read back without a system log daemon.
class SystemLogSocket {
  public:
    SystemLogSocket();
    SystemLogSocket(const SystemLogSocket&) = delete;
    SystemLogSocket& operator=(const SystemLogSocket&) = delete;
    ~SystemLogSocket();

    const std::string& Path() const { return path_; }
    // The next record, waiting up to a few seconds for it; nothing when none came.
    std::optional<std::string> Receive();
    // Whether a record is waiting, without waiting for one.
    bool HasRecord();

  private:
    TempDir folder_;
    std::string path_;
    int fd_ = -1;
};

}  // namespace tavix::testing
