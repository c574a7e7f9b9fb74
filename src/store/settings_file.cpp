#include "store/settings_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string_view>

#include "store/database_target.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kDatabaseName = "database";
constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

[[noreturn]] void FailAt(const std::string& origin, const std::string& what) {
    throw SettingsError(origin + ": " + what);
}

// The setting on one line that holds one, checked.
Setting DatabaseSettingOf(std::string_view line, const std::string& origin) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        FailAt(origin, "not a setting: expected 'database = PATH-OR-URI'");
    }
    const std::string_view name = Trimmed(line.substr(0, equals));
    if (name != kDatabaseName) {
        FailAt(origin, "unknown setting '" + std::string(name) + "' (the only one is 'database')");
    }
    const std::string value(Trimmed(line.substr(equals + 1)));
    if (value.empty()) {
        FailAt(origin, "database: no value");
    }
    if (value.find('\0') != std::string::npos) {
        FailAt(origin, "database: the value holds a NUL byte");
    }
    if (!IsPostgresTarget(value) && !value.starts_with('/')) {
        FailAt(origin, "database: '" + value + "' is not an absolute path");
    }
    return {value, origin};
}

[[noreturn]] void FailToRead(const std::string& path, const char* reason) {
    FailAt(path, std::string("cannot read the settings: ") + reason);
}

// The whole file; nothing when it does not exist.
std::optional<std::string> Content(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        FailToRead(path, std::strerror(errno));
    }
    std::string content;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            FailToRead(path, std::strerror(error));
        }
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return content;
}

}  // namespace

std::string SettingsFilePath() {
    const char* named = std::getenv(kSettingsVariable);
    return named != nullptr && *named != '\0' ? named : DefaultSettingsFilePath();
}

const char* DefaultSettingsFilePath() {
    return TAVIX_SETTINGS_FILE;
}

std::optional<Setting> ReadDatabaseSetting(const std::string& path) {
    const std::optional<std::string> content = Content(path);
    if (!content) {
        return std::nullopt;
    }
    std::optional<Setting> found;
    std::istringstream lines(*content);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.starts_with('#')) {
            continue;
        }
        const std::string origin = path + ":" + std::to_string(number);
        Setting setting = DatabaseSettingOf(text, origin);
        if (found) {
            FailAt(origin, "database is set a second time (first at " + found->origin + ")");
        }
        found = std::move(setting);
    }
    return found;
}

}  // namespace tavix::store
