#include "program/path_text.hpp"

#include <stdexcept>

#include "screen_helpers/blank_text.hpp"

namespace tavix::program {

using screen_helpers::TrimSpaces;
namespace {

constexpr char kSeparator = '/';
constexpr std::size_t kMaxPathLength = 32767;

}  // namespace

std::string FolderOf(const std::string& path) {
    if (path.size() > kMaxPathLength) {
        throw std::overflow_error("FolderOf: path of " + std::to_string(path.size()) +
                                  " characters is longer than 32767");
    }
    const auto last_separator = path.rfind(kSeparator);
    if (last_separator == std::string::npos) {
        return "";
    }
    return path.substr(0, last_separator + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == kSeparator) {
        return TrimSpaces(folder + name);
    }
    return TrimSpaces(folder + kSeparator + name);
}

std::string FileInFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? std::string() : JoinPath(folder, name);
}

}  // namespace tavix::program
