#include "output_path.hpp"

#include <cerrno>
#include <charconv>
#include <filesystem>

#include "output.hpp"

namespace tavix::admin {

namespace {

namespace fs = std::filesystem;

constexpr int kMostLinks = 40;  // the kernel's own limit on a path's links

// The folder lists this process's descriptors, however it was spelled (/dev/fd is a link to
// /proc/self/fd, which the system spells /proc/<pid>/fd).
bool IsOwnDescriptorFolder(const fs::path& folder) {
    std::error_code error;
    const fs::path real = fs::canonical(folder.empty() ? fs::path(".") : folder, error);
    if (error) {
        return false;
    }
    for (const char* own : {"/proc/self/fd", "/proc/thread-self/fd"}) {
        std::error_code own_error;
        if (fs::canonical(own, own_error) == real && !own_error) {
            return true;
        }
    }
    return false;
}

std::optional<int> DescriptorNamed(const fs::path& path) {
    const std::string name = path.filename().string();
    int descriptor = -1;
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(name.data(), end, descriptor);
    // The system reads no sign and no leading zero in these names either.
    if (name.empty() || error != std::errc() || stop != end ||
        (name.size() > 1 && name.front() == '0') || !IsOwnDescriptorFolder(path.parent_path())) {
        return std::nullopt;
    }
    return descriptor;
}

}  // namespace

OutputPath ResolveOutputPath(const std::string& path) {
    fs::path current = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        if (const std::optional<int> descriptor = DescriptorNamed(current)) {
            return {descriptor, {}};
        }
        std::error_code error;
        if (!fs::is_symlink(current, error)) {
            return {std::nullopt, current.string()};
        }
        const fs::path target = fs::read_symlink(current, error);
        if (error) {
            return {std::nullopt, current.string()};
        }
        // A relative link is read from the link's own folder, as the system reads it.
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    errno = ELOOP;
    FailOutput("write", path);
}

}  // namespace tavix::admin
