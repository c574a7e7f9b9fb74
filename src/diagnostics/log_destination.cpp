#include "diagnostics/log_destination.hpp"

namespace tavix::diagnostics {

LogDestination ChooseLogDestination(std::string_view option, const char* environment) {
    if (!option.empty()) {
        return {LogDestination::Kind::kFile, std::string(option)};
    }
    if (environment != nullptr && *environment != '\0') {
        return {LogDestination::Kind::kFile, environment};
    }
    return {};
}

}  // namespace tavix::diagnostics
