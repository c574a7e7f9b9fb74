#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace tavix::store {

// The system-wide settings of the program and tavix-admin: the file the variable names when
// it is set and not empty, else the one the build chose (/etc/tavix/tavix.conf), which the
// Debian package installs. Tests and a second site on one machine point the variable elsewhere;
// /dev/null sets nothing.
inline constexpr const char* kSettingsVariable = "TAVIX_CONFIG";
std::string SettingsFilePath();
const char* DefaultSettingsFilePath();

// A settings file that cannot be read, or a line of it that is not a setting; the message
// begins with the file (and line) it concerns.
class SettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A setting and where it was found: "FILE:LINE", to begin a message about its value.
struct Setting {
    std::string value;
    std::string origin;
};

// What a settings file sets; each is unset when the file does not set it.
struct Settings {
    std::optional<Setting> database;  // an absolute path or a PostgreSQL URI
    std::optional<Setting> forward;   // the server a database file forwards to: a URI
    std::optional<Setting> spool;     // an absolute path: where a program on a server keeps
                                      // readings whose outcome it could not learn
};

// The settings of the file at path; none when the file does not exist. Lines are
// `name = value` (spaces around both ignored), blank, or comments beginning with `#`. Throws
// SettingsError for an unreadable file, a line that is not a setting, an unknown name, a
// setting given twice or without a value, a path that is not absolute (it would depend on the
// folder each program happens to start in) and a forward that is not a PostgreSQL URI.
Settings ReadSettings(const std::string& path);

// ReadSettings(path).database.
std::optional<Setting> ReadDatabaseSetting(const std::string& path);

}  // namespace tavix::store
