#include "system_log_socket.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <stdexcept>

namespace tavix::testing {

namespace {

// A fail-safe for a busy machine, not a measure: a record that was sent is there at once.
constexpr int kReceiveWaitMs = 5000;

}  // namespace

SystemLogSocket::SystemLogSocket() : path_(folder_.File("log")) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        throw std::runtime_error("test cannot listen on " + path_);
    }
}

SystemLogSocket::~SystemLogSocket() {
    ::close(fd_);
}

std::optional<std::string> SystemLogSocket::Receive() {
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, kReceiveWaitMs) != 1) {
        return std::nullopt;
    }
    std::array<char, 65536> record{};
    const ssize_t size = ::recv(fd_, record.data(), record.size(), 0);
    if (size < 0) {
        return std::nullopt;
    }
    return std::string(record.data(), static_cast<std::size_t>(size));
}

bool SystemLogSocket::HasRecord() {
    pollfd waiting{fd_, POLLIN, 0};
    return ::poll(&waiting, 1, 0) == 1;
}

}  // namespace tavix::testing
