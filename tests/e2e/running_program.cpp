#include "running_program.hpp"

namespace tavix::testing {

namespace {

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

}  // namespace

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

RunningProgram::RunningProgram(const std::string& command)
    : session_(command + "; printf '\\r\\nrc=%d\\r\\n' $?; read line", ProgramPane()) {}

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

}  // namespace tavix::testing
