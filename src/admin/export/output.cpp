#include "output.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavix::admin {

Output::Output(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
    buffer_.reserve(kBlockSize + kBlockSize / 4);
}

void Output::Flush() {
    std::size_t written = 0;
    while (written < buffer_.size()) {
        const ssize_t result = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            FailOutput("write to", name_);
        }
        written += static_cast<std::size_t>(result);
    }
    buffer_.clear();
}

void FailOutput(std::string_view action, const std::string& name) {
    const std::string reason = std::strerror(errno);
    throw OutputError("cannot " + std::string(action) + " " + name + ": " + reason);
}

}  // namespace tavix::admin
