#include "support/program/program_harness.hpp"

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "console/forwarding_terminal.hpp"
#include "diagnostics/diagnostic_log.hpp"
#include "program/executable_path.hpp"
#include "program/main_program.hpp"
#include "program/process_end.hpp"
#include "screen_helpers/colour_scheme.hpp"
#include "screen_helpers/main_form.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "support/program_environment.hpp"
#include "support/sqlite_file.hpp"

namespace tavix::testing {

namespace {

// Long enough for the program's own connection to finish what it holds the file for.
constexpr std::chrono::milliseconds kBusyTimeout(5000);

}  // namespace

ProgramHarness::ProgramHarness(Database database, Start start)
    : folder_(database, ProgramFolder::Executable::kNone),
      terminal_(std::make_unique<console::ScriptedTerminal>(80, 25)) {
    ClearProgramEnvironment();
    diagnostics::SendLogTo({diagnostics::LogDestination::Kind::kFile, LogPath()});
    screen_helpers::SetTerminalFactory(
        [this] { return std::make_unique<console::ForwardingTerminal>(*terminal_); });
    if (start == Start::kMain) {
        return;
    }
    if (database == Database::kEmpty) {
        OpenReadings(DatabasePath());
    }
    PrepareConsole();
}

ProgramHarness::ProgramHarness(const std::string& store)
    : ProgramHarness(Database::kMissing, Start::kMain) {
    OpenReadings(store);
    PrepareConsole();
}

void ProgramHarness::OpenReadings(const std::string& store) {
    screen_helpers::DatabasePath = store;
    screen_helpers::ReadingsDb.emplace(store::OpenDatabase(store));
    screen_helpers::ReadingsSet.emplace(
        screen_helpers::ReadingsDb->OpenRecordset(store::readings_table::kTable));
}

// What start-up does to the console before the first screen.
void ProgramHarness::PrepareConsole() {
    console::TextConsole& console = screen_helpers::Console();
    console.Attach(-1);
    console.Resize(24, 20);
    screen_helpers::ApplyColourScheme();
    console.Put(console::DispatchId::kPopupStyle, 0);
    console.Put(console::DispatchId::kSetting16, 0);
    console.Put(console::DispatchId::kFrameStyle, 2);
    console.Clear();
    console.DrawFrame(1, 1, 23, 19);
}

ProgramHarness::~ProgramHarness() {
    screen_helpers::UnloadForms();
    screen_helpers::SetTerminalFactory(nullptr);
    program::SetExecutablePathSource(nullptr);
    program::SetProcessEnd(nullptr);
    program::SetBusyTimeout(std::nullopt);
    screen_helpers::ReadingsSet.reset();
    screen_helpers::ReadingsDb.reset();
    screen_helpers::DatabasePath.clear();
    screen_helpers::AppFolder.clear();
    diagnostics::SendLogTo({});
}

std::vector<std::string> ProgramHarness::LogLines() const {
    std::ifstream log(LogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    return lines;
}

console::TextConsole& ProgramHarness::Console() {
    return screen_helpers::Console();
}

const console::CellGrid& ProgramHarness::Cells() {
    return screen_helpers::Console().Cells();
}

void ProgramHarness::StoreReading(const std::string& code, double qt, const std::string& terminal,
                                  const store::Timestamp& when) {
    SeedReadings(DatabasePath(), {SeedReading{code, qt, terminal, when.ToSqlText()}});
}

std::vector<StoredReading> ProgramHarness::StoredReadings() const {
    return testing::StoredReadings(DatabasePath());
}

void ProgramHarness::Execute(const std::string& sql) const {
    SqliteFile(DatabasePath(), SqliteFile::Open::kReadWrite, kBusyTimeout).Run(sql);
}

std::string ProgramHarness::QueryText(const std::string& sql) const {
    return SqliteFile(DatabasePath(), SqliteFile::Open::kReadWrite, kBusyTimeout).Text(sql);
}

int ProgramHarness::RunMain() {
    return RunProgram([] { program::Main(); });
}

int ProgramHarness::RunMain(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv = {"tavix"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    return RunProgram([&] { program::Main(static_cast<int>(argv.size() - 1), argv.data()); });
}

int ProgramHarness::RunProgram(const std::function<void()>& main) {
    // Main opens the database itself, from its own folder, and takes the console over anew.
    screen_helpers::ReadingsSet.reset();
    screen_helpers::ReadingsDb.reset();
    screen_helpers::UnloadForms();
    program::SetExecutablePathSource([this] { return folder_.ExecutablePath(); });
    program::SetProcessEnd([](int status) { throw ProcessEnded{status}; });
    try {
        main();
    } catch (const ProcessEnded& ended) {
        return ended.status;
    }
    throw std::logic_error("the program returned instead of ending");
}

}  // namespace tavix::testing
