#include "diagnostics/log_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavix::diagnostics {

namespace {

constexpr mode_t kNewFileMode = 0644;

std::string SystemReason(int error) {
    return std::strerror(error);
}

}  // namespace

std::optional<std::string> AppendToFile(const std::string& path, std::string_view line) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
               kNewFileMode);
    if (fd < 0) {
        return SystemReason(errno);
    }
    if (::isatty(fd) != 0) {
        ::close(fd);
        return "it is a terminal, and the log never goes to the screen";
    }
    std::optional<std::string> failure;
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(fd, line.data() + written, line.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            failure = result < 0 ? SystemReason(errno) : "nothing was written";
            break;
        }
        written += static_cast<std::size_t>(result);
    }
    if (::close(fd) != 0 && !failure) {
        failure = SystemReason(errno);
    }
    return failure;
}

}  // namespace tavix::diagnostics
