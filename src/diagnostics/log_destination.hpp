#pragma once

#include <string>
#include <string_view>

namespace tavix::diagnostics {

// Where the diagnostic log goes: the system log, or the end of a file.
struct LogDestination {
    enum class Kind { kSystemLog, kFile };

    Kind kind = Kind::kSystemLog;
    std::string file;  // for kFile

    bool operator==(const LogDestination&) const = default;
};

// The environment variable that names a log file when the command line names none.
inline constexpr const char* kLogVariable = "TAVIX_LOG";

// The first one found: the file the command line names (`option`, empty when not given), the
// file the environment names (`environment`, the value of TAVIX_LOG or null), else the system
// log. An empty value counts as unset.
LogDestination ChooseLogDestination(std::string_view option, const char* environment);

}  // namespace tavix::diagnostics
