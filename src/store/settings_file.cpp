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
constexpr std::string_view kForwardName = "forward";
constexpr std::string_view kSpoolName = "spool";
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

// Where a setting of that name goes in settings; nothing for a name that is none.
std::optional<Setting>* SlotFor(Settings& settings, std::string_view name) {
    if (name == kDatabaseName) {
        return &settings.database;
    }
    if (name == kForwardName) {
        return &settings.forward;
    }
    if (name == kSpoolName) {
        return &settings.spool;
    }
    return nullptr;
}

void CheckValue(std::string_view name, const std::string& value, const std::string& origin) {
    const std::string prefix = std::string(name) + ": ";
    if (value.empty()) {
        FailAt(origin, prefix + "no value");
    }
    if (value.find('\0') != std::string::npos) {
        FailAt(origin, prefix + "the value holds a NUL byte");
    }
    const bool uri = IsPostgresTarget(value);
    if (name == kForwardName && !uri) {
        FailAt(origin, prefix + "'" + value + "' is not a postgresql:// URI");
    }
    if (name == kSpoolName && uri) {
        FailAt(origin, prefix + "'" + value + "' is a URI, not the path of a file");
    }
    if (!uri && !value.starts_with('/')) {
        FailAt(origin, prefix + "'" + value + "' is not an absolute path");
    }
}

// The setting on one line that holds one, checked, into settings.
void AddSetting(Settings& settings, std::string_view line, const std::string& origin) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        FailAt(origin, "not a setting: expected 'NAME = VALUE', as 'database = PATH-OR-URI'");
    }
    const std::string_view name = Trimmed(line.substr(0, equals));
    std::optional<Setting>* slot = SlotFor(settings, name);
    if (slot == nullptr) {
        FailAt(origin, "unknown setting '" + std::string(name) +
                           "' (the settings are 'database', 'forward' and 'spool')");
    }
    std::string value(Trimmed(line.substr(equals + 1)));
    CheckValue(name, value, origin);
    if (*slot) {
        FailAt(origin,
               std::string(name) + " is set a second time (first at " + (*slot)->origin + ")");
    }
    *slot = Setting{std::move(value), origin};
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

Settings ReadSettings(const std::string& path) {
    Settings settings;
    const std::optional<std::string> content = Content(path);
    if (!content) {
        return settings;
    }
    std::istringstream lines(*content);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string_view text = Trimmed(line);
        if (!text.empty() && !text.starts_with('#')) {
            AddSetting(settings, text, path + ":" + std::to_string(number));
        }
    }
    return settings;
}

std::optional<Setting> ReadDatabaseSetting(const std::string& path) {
    return ReadSettings(path).database;
}

}  // namespace tavix::store
