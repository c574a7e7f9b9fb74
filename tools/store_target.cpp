#include "store_target.hpp"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cstdlib>
#include <filesystem>

#include "store/database_target.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

// The folder of the running executable; the current folder when the system cannot say.
std::filesystem::path ExecutableFolder() {
    std::array<char, 4096> buffer{};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return ".";
    }
    return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length)))
        .parent_path();
}

}  // namespace

void AddTargetArgument(CLI::App& command, std::string& target) {
    command
        .add_option("TARGET", target, "The readings database file or PostgreSQL URI (see below)")
        ->type_name("")
        ->check(NotEmpty("store"));
}

std::string StoreTarget(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    const char* from_environment = std::getenv(store::kDatabaseVariable);
    if (from_environment != nullptr && *from_environment != '\0') {
        return from_environment;
    }
    return (ExecutableFolder() / store::kDefaultDatabaseFile).string();
}

}  // namespace tavix::admin
