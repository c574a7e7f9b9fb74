#pragma once

#include <filesystem>
#include <string_view>

namespace tavix::testing {

// The PostgreSQL server programs a throw-away server needs.
struct ServerBinaries {
    std::filesystem::path initdb;
    std::filesystem::path postgres;
    // Copies a running server for a standby; looked for only when one is made.
    std::filesystem::path base_backup;
};

// Debian installs each server version's programs in /usr/lib/postgresql/<version>/bin, outside
// the PATH (pg_config --bindir names the client's folder, not the server's).
inline constexpr std::string_view kDebianServerVersions = "/usr/lib/postgresql";

// Finds initdb and postgres: in the newest version folder under versions that has both, else
// in a folder of search_path (a PATH value). Throws std::runtime_error naming the Debian
// package when neither has them: a test that needs a server fails, it never skips.
ServerBinaries FindServerBinaries(const std::filesystem::path& versions,
                                  std::string_view search_path);

// The same with Debian's folder and the process's PATH.
ServerBinaries FindServerBinaries();

}  // namespace tavix::testing
