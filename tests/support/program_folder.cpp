#include "support/program_folder.hpp"

#include <filesystem>

#include "store/database.hpp"

namespace tavix::testing {

ProgramFolder::ProgramFolder(Database database, Executable executable) {
    if (executable == Executable::kCopied) {
        std::filesystem::copy_file(TAVIX_BINARY, ExecutablePath());
    }
    if (database == Database::kEmpty) {
        store::CreateReadingsDatabase(DatabasePath());
    }
}

std::string ProgramFolder::Command(const std::string& before, const std::string& after,
                                   const std::string& arguments) const {
    return "cd '" + Path() + "' && " + before + " ./tavix " + arguments + "; " + after;
}

}  // namespace tavix::testing
