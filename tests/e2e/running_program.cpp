#include "running_program.hpp"

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>

#include "store/database.hpp"

namespace tavix::testing {

namespace {

constexpr const char* kProgram = TAVIX_BINARY;
const std::string kFrameSide = "\u2551";

// The program is built for 24 x 20; a roomier pane keeps what the shell prints after it.
TmuxOptions ProgramPane() {
    TmuxOptions options;
    options.columns = 40;
    options.rows = 24;
    options.timeout = std::chrono::seconds(20);  // a sanitized build on a busy machine
    return options;
}

// Entry screen rows.
constexpr int kHeadingRow = 3;
constexpr int kCodeRow = 7;
constexpr int kPromptRow = 12;
// Terminal prompt rows.
constexpr int kTerminalLabelRow = 5;
constexpr int kTerminalRow = 8;

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool ShowsEmptyCodeField(const std::vector<std::string>& lines) {
    return FrameRow(lines, kCodeRow).empty() && FrameRow(lines, kPromptRow) == "Digita codice";
}

class Connection {
  public:
    explicit Connection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            return;
        }
        sqlite3_busy_timeout(db_, 5000);
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool IsOpen() const { return db_ != nullptr; }

    // Each row of the query, its columns handed to `row`; false when the query failed.
    template <typename RowReader>
    bool Query(const char* sql, RowReader row) const {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
            return false;
        }
        int result = SQLITE_ROW;
        while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
            row(statement);
        }
        sqlite3_finalize(statement);
        return result == SQLITE_DONE;
    }

  private:
    sqlite3* db_ = nullptr;
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
}

}  // namespace

ProgramFolder::ProgramFolder() {
    std::filesystem::copy_file(kProgram, folder_.File("tavix"));
    store::CreateReadingsDatabase(DatabasePath());
}

std::string ProgramFolder::Command(const std::string& before, const std::string& after,
                                   const std::string& arguments) const {
    return "cd '" + Path() + "' && " + before + " ./tavix " + arguments + "; " + after;
}

std::string FrameRow(const std::vector<std::string>& lines, int row) {
    if (row < 1 || row > static_cast<int>(lines.size())) {
        return "";
    }
    const std::string& line = lines[row - 1];
    const std::size_t left = line.find(kFrameSide);
    if (left == std::string::npos) {
        return Trimmed(line);
    }
    const std::size_t start = left + kFrameSide.size();
    const std::size_t right = line.find(kFrameSide, start);
    return Trimmed(line.substr(start, right == std::string::npos ? right : right - start));
}

RunningProgram::RunningProgram(const ProgramFolder& folder, const std::string& before,
                               const std::string& after, const std::string& arguments)
    : session_(folder.Command(before, after, arguments), ProgramPane()) {}

bool RunningProgram::OpenEntryScreen(const std::string& terminal) {
    // One key per wait: Esc and the next key in one read would be a single Alt key.
    if (!session_.WaitForText("Premere ESC")) {
        return false;
    }
    session_.SendKey("Escape");
    if (!session_.WaitForText("Demo Tavix v")) {
        return false;
    }
    session_.SendKey("Space");
    if (!session_.WaitForText("Inizia")) {
        return false;
    }
    session_.SendText("i");
    if (!session_.WaitFor([](const std::vector<std::string>& lines) {
            return FrameRow(lines, kTerminalLabelRow) == "Terminale:";
        })) {
        return false;
    }
    // The first digit typed replaces the offered terminal.
    session_.SendText(terminal);
    if (!session_.WaitFor([&](const std::vector<std::string>& lines) {
            return FrameRow(lines, kTerminalRow) == terminal;
        })) {
        return false;
    }
    session_.SendKey("Enter");
    return session_.WaitFor([&](const std::vector<std::string>& lines) {
        return FrameRow(lines, kHeadingRow) == "Terminale: " + terminal &&
               ShowsEmptyCodeField(lines);
    });
}

bool RunningProgram::EnterCode(const std::string& code) {
    session_.SendText(code + "\r");
    return session_.WaitFor([&](const std::vector<std::string>& lines) {
        return FrameRow(lines, kCodeRow) == code &&
               FrameRow(lines, kPromptRow) == "Digita quantita'";
    });
}

void RunningProgram::SendQuantity(const std::string& quantity) {
    session_.SendText(quantity + "\r");
}

bool RunningProgram::WaitForEmptyCodeField() const {
    return session_.WaitFor(ShowsEmptyCodeField);
}

bool RunningProgram::WaitForCodeField(const std::string& text) const {
    return session_.WaitFor(
        [&](const std::vector<std::string>& lines) { return FrameRow(lines, kCodeRow) == text; });
}

bool RunningProgram::Leave() {
    session_.SendKey("Escape");
    if (!session_.WaitFor([](const std::vector<std::string>& lines) {
            return FrameRow(lines, kTerminalLabelRow) == "Terminale:";
        })) {
        return false;
    }
    session_.SendKey("Escape");
    if (!session_.WaitForText("Fine letture")) {
        return false;
    }
    session_.SendText("S");
    if (!session_.WaitForText("Inizia")) {
        return false;
    }
    session_.SendKey("Escape");
    if (!session_.WaitForText("Confermi uscita")) {
        return false;
    }
    session_.SendText("S");
    return true;
}

pid_t RunningProgram::ProgramPid() const {
    const std::vector<pid_t> children = ChildProcesses(session_.PanePid());
    return children.size() == 1 ? children.front() : -1;
}

FileState ReadDatabase(const std::string& path) {
    FileState state;
    const Connection connection(path);
    if (!connection.IsOpen()) {
        return state;
    }
    const bool checked = connection.Query("PRAGMA integrity_check", [&](sqlite3_stmt* row) {
        state.integrity += (state.integrity.empty() ? "" : "; ") + ColumnText(row, 0);
    });
    const bool read = connection.Query(
        "SELECT code, qt, terminal FROM Readings ORDER BY rowid", [&](sqlite3_stmt* row) {
            state.readings.push_back(
                FileReading{ColumnText(row, 0), sqlite3_column_double(row, 1), ColumnText(row, 2)});
        });
    state.opened = checked && read;
    return state;
}

}  // namespace tavix::testing
