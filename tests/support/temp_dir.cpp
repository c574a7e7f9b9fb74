#include "temp_dir.hpp"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace tavix::testing {

TempDir::TempDir() {
    const std::string pattern =
        (std::filesystem::temp_directory_path() / "tavix-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    path_ = name.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
    return (std::filesystem::path(path_) / name).string();
}

}  // namespace tavix::testing
