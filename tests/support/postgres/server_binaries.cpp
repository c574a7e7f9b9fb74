#include "support/postgres/server_binaries.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tavix::testing {

namespace {

namespace fs = std::filesystem;

std::optional<ServerBinaries> BinariesIn(const fs::path& folder) {
    ServerBinaries binaries{folder / "initdb", folder / "postgres", folder / "pg_basebackup"};
    if (::access(binaries.initdb.c_str(), X_OK) == 0 &&
        ::access(binaries.postgres.c_str(), X_OK) == 0) {
        return binaries;
    }
    return std::nullopt;
}

// "15" before "9.6": versions compare by their number.
double VersionNumber(const fs::path& folder) {
    return std::strtod(folder.filename().c_str(), nullptr);
}

std::optional<ServerBinaries> NewestVersionIn(const fs::path& versions) {
    std::error_code error;
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(versions, error)) {
        folders.push_back(entry.path());
    }
    std::sort(folders.begin(), folders.end(), [](const fs::path& a, const fs::path& b) {
        return VersionNumber(a) > VersionNumber(b);
    });
    for (const fs::path& folder : folders) {
        if (auto binaries = BinariesIn(folder / "bin")) {
            return binaries;
        }
    }
    return std::nullopt;
}

std::optional<ServerBinaries> FirstInSearchPath(std::string_view search_path) {
    while (!search_path.empty()) {
        const std::size_t colon = std::min(search_path.find(':'), search_path.size());
        const std::string_view folder = search_path.substr(0, colon);
        if (!folder.empty()) {
            if (auto binaries = BinariesIn(fs::path(folder))) {
                return binaries;
            }
        }
        search_path.remove_prefix(std::min(colon + 1, search_path.size()));
    }
    return std::nullopt;
}

}  // namespace

ServerBinaries FindServerBinaries(const fs::path& versions, std::string_view search_path) {
    if (auto binaries = NewestVersionIn(versions)) {
        return *binaries;
    }
    if (auto binaries = FirstInSearchPath(search_path)) {
        return *binaries;
    }
    throw std::runtime_error(
        "the PostgreSQL server programs initdb and postgres are missing (looked in " +
        (versions / "*" / "bin").string() +
        " and the PATH): install the Debian package postgresql (scripts/install-deps does)");
}

ServerBinaries FindServerBinaries() {
    const char* path = std::getenv("PATH");
    return FindServerBinaries(fs::path(kDebianServerVersions), path != nullptr ? path : "");
}

}  // namespace tavix::testing
