#include "support/program/program_harness.hpp"

#include <sqlite3.h>

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
#include "support/program_environment.hpp"

namespace tavix::testing {

namespace {

class RawConnection {
  public:
    explicit RawConnection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string message = sqlite3_errmsg(db_);
            sqlite3_close(db_);
            throw std::runtime_error("test cannot open " + path + ": " + message);
        }
        sqlite3_busy_timeout(db_, 5000);
    }
    ~RawConnection() { sqlite3_close(db_); }
    sqlite3* get() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
}

}  // namespace

ProgramHarness::ProgramHarness(Database database, Start start)
    : database_path_(folder_.File("tavix.mdb")),
      terminal_(std::make_unique<console::ScriptedTerminal>(80, 25)) {
    ClearProgramEnvironment();
    if (database == Database::kEmpty) {
        store::CreateReadingsDatabase(database_path_);
    }
    diagnostics::SendLogTo({diagnostics::LogDestination::Kind::kFile, LogPath()});
    screen_helpers::SetTerminalFactory(
        [this] { return std::make_unique<console::ForwardingTerminal>(*terminal_); });
    if (start == Start::kMain) {
        return;
    }
    if (database == Database::kEmpty) {
        screen_helpers::DatabasePath = database_path_;
        screen_helpers::ReadingsDb.emplace(store::OpenDatabase(database_path_));
        screen_helpers::ReadingsSet.emplace(screen_helpers::ReadingsDb->OpenRecordset("Readings"));
    }
    console::TextConsole& console = screen_helpers::Console();
    console.Attach(-1);
    console.Resize(24, 20);
    screen_helpers::ApplyColourScheme();
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
    RawConnection connection(database_path_);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(connection.get(),
                       "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES (?, ?, ?, ?)",
                       -1, &statement, nullptr);
    const std::string date_time = when.ToSqlText();
    sqlite3_bind_text(statement, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(statement, 2, qt);
    sqlite3_bind_text(statement, 3, terminal.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 4, date_time.c_str(), -1, SQLITE_TRANSIENT);
    const int result = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE) {
        throw std::runtime_error("test cannot store a reading");
    }
}

std::vector<StoredReading> ProgramHarness::StoredReadings() const {
    RawConnection connection(database_path_);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.get(),
                           "SELECT code, qt, terminal, typeof(terminal), DateTime FROM Readings "
                           "ORDER BY rowid",
                           -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("test cannot read readings: ") +
                                 sqlite3_errmsg(connection.get()));
    }
    std::vector<StoredReading> readings;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        readings.push_back(StoredReading{ColumnText(statement, 0), ColumnText(statement, 1),
                                         ColumnText(statement, 2), ColumnText(statement, 3),
                                         ColumnText(statement, 4)});
    }
    sqlite3_finalize(statement);
    return readings;
}

void ProgramHarness::Execute(const std::string& sql) const {
    RawConnection connection(database_path_);
    char* error = nullptr;
    if (sqlite3_exec(connection.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("test SQL failed: " + message);
    }
}

std::string ProgramHarness::QueryText(const std::string& sql) const {
    RawConnection connection(database_path_);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.get(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error("test query failed: " +
                                 std::string(sqlite3_errmsg(connection.get())));
    }
    const std::string text = sqlite3_step(statement) == SQLITE_ROW ? ColumnText(statement, 0) : "";
    sqlite3_finalize(statement);
    return text;
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
    program::SetExecutablePathSource([this] { return folder_.File("tavix"); });
    program::SetProcessEnd([](int status) { throw ProcessEnded{status}; });
    try {
        main();
    } catch (const ProcessEnded& ended) {
        return ended.status;
    }
    throw std::logic_error("the program returned instead of ending");
}

}  // namespace tavix::testing
