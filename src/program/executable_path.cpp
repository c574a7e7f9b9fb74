#include "program/executable_path.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tavix::program {

namespace {

std::function<std::string()>& Source() {
    static std::function<std::string()> source;
    return source;
}

}  // namespace

std::string ExecutablePath() {
    if (Source()) {
        return Source()();
    }
    std::array<char, 4096> buffer{};
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0 || static_cast<size_t>(length) >= buffer.size()) {
        throw std::runtime_error(std::string("cannot find the program's own path: ") +
                                 (length < 0 ? std::strerror(errno) : "path too long"));
    }
    return std::string(buffer.data(), static_cast<size_t>(length));
}

void SetExecutablePathSource(std::function<std::string()> source) {
    Source() = std::move(source);
}

}  // namespace tavix::program
