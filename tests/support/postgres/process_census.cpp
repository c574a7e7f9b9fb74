#include "support/postgres/process_census.hpp"

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace tavix::testing {

namespace fs = std::filesystem;

std::vector<pid_t> ProcessesWorkingIn(const std::string& folder) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code unreadable;
        // A removed folder reads as "<path> (deleted)", still under folder.
        const std::string cwd = fs::read_symlink(entry.path() / "cwd", unreadable).string();
        if (!unreadable &&
            (cwd == folder || cwd.starts_with(folder + "/") || cwd.starts_with(folder + " "))) {
            found.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return found;
}

bool ProcessExists(pid_t process) {
    std::ifstream file("/proc/" + std::to_string(process) + "/stat");
    std::string stat;
    std::getline(file, stat);
    // "pid (command) state ...", where the command may hold spaces and parentheses.
    const std::size_t command_end = stat.rfind(')');
    if (command_end == std::string::npos || command_end + 2 >= stat.size()) {
        return false;
    }
    const char state = stat[command_end + 2];
    return state != 'Z' && state != 'X';
}

}  // namespace tavix::testing
