#pragma once

#include <string>
#include <string_view>

#include "support/temp_dir.hpp"

namespace tavix::testing {

// A folder of the program's own: the program opens its readings database, tavix.mdb, beside
// its executable, so each test that runs it gets a folder and a file of its own. The database
// is made empty, or left out for a test about a missing one. The real program, run in a
// terminal, needs a copy of itself there; a test that runs the program's code in its own
// process only lets it believe it stands there.
class ProgramFolder {
  public:
    enum class Database { kEmpty, kMissing };
    enum class Executable { kCopied, kNone };

    explicit ProgramFolder(Database database = Database::kEmpty,
                           Executable executable = Executable::kCopied);

    const std::string& Path() const { return folder_.Path(); }
    std::string File(std::string_view name) const { return folder_.File(name); }
    std::string DatabasePath() const { return File("tavix.mdb"); }
    std::string ExecutablePath() const { return File("tavix"); }

    // A shell command that runs `before`, the program in its folder with `arguments` (shell
    // words), then `after`.
    std::string Command(const std::string& before, const std::string& after,
                        const std::string& arguments = "") const;

  private:
    TempDir folder_;
};

}  // namespace tavix::testing
