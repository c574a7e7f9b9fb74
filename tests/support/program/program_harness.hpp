#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/scripted_terminal.hpp"
#include "console/text_console.hpp"
#include "store/timestamp.hpp"
#include "support/program_folder.hpp"
#include "support/readings_in_file.hpp"

namespace tavix::testing {

// Thrown by the replaced process end, so a test sees the program end without ending itself.
struct ProcessEnded {
    int status = 0;
};

// The program's shared state set up as start-up leaves it, headless: the main form's console
// on a scripted 80 x 25 terminal, resized to 24 x 20 with the colour scheme, the popup and
// frame styles and the outer frame, and the readings database of a program folder open in
// ReadingsDb and ReadingsSet. Everything is put back when the harness goes. The diagnostic log
// goes to LogPath() in the folder while the harness lives. The tests of the screens and the
// benchmarks both run the program through it.
//
// With Start::kMain nothing is prepared but the database file: the test scripts the keys and
// calls RunMain, which starts the program as the real entry does. The scripted terminal
// outlives the program's console, so the test can look at it afterwards.
class ProgramHarness {
  public:
    using Database = ProgramFolder::Database;
    enum class Start { kScreens, kMain };

    explicit ProgramHarness(Database database = Database::kEmpty, Start start = Start::kScreens);
    // The screens on a store of the caller's instead of the folder's database: `store` is what
    // OpenDatabase takes, an SQLite file or a PostgreSQL database.
    explicit ProgramHarness(const std::string& store);
    ~ProgramHarness();
    ProgramHarness(const ProgramHarness&) = delete;
    ProgramHarness& operator=(const ProgramHarness&) = delete;

    console::ScriptedTerminal& Terminal() { return *terminal_; }
    console::TextConsole& Console();
    const console::CellGrid& Cells();
    std::string DatabasePath() const { return folder_.DatabasePath(); }
    const std::string& Folder() const { return folder_.Path(); }
    std::string LogPath() const { return folder_.File("tavix.log"); }
    // The lines of the diagnostic log in LogPath(), without their newlines.
    std::vector<std::string> LogLines() const;

    // Readings written and read through a connection of their own (SqliteFile), not through
    // ReadingsSet.
    void StoreReading(const std::string& code, double qt, const std::string& terminal,
                      const store::Timestamp& when);
    std::vector<StoredReading> StoredReadings() const;
    // Runs any SQL on the file through a connection of its own.
    void Execute(const std::string& sql) const;
    // The first column of the first row of a query through a connection of its own, as text
    // ("" for no row or null): PRAGMA integrity_check, a count.
    std::string QueryText(const std::string& sql) const;

    // Runs Main with the executable believed to be in the harness's folder, until the
    // program ends; returns the exit status. The terminal is whatever the script says.
    int RunMain();
    // The same through the command line: Main with these arguments after the program's name.
    int RunMain(const std::vector<std::string>& arguments);

  private:
    void OpenReadings(const std::string& store);
    void PrepareConsole();
    int RunProgram(const std::function<void()>& main);

    ProgramFolder folder_;
    std::unique_ptr<console::ScriptedTerminal> terminal_;
};

}  // namespace tavix::testing
