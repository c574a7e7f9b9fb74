#include "store/running_executable.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tavix::store {

std::string RunningExecutablePath() {
    std::array<char, 4096> buffer{};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        throw std::runtime_error(std::string("cannot find the program's own path: ") +
                                 (length < 0 ? std::strerror(errno) : "path too long"));
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace tavix::store
