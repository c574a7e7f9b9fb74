#include "program_session.hpp"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <stdexcept>

namespace tavix::bench {

namespace {

// Where the screens put things, on the program's 24 x 20 console at the terminal's top left.
constexpr int kFieldColumn = 3;
constexpr int kCodeRow = 7;
constexpr int kCodeLength = 18;
constexpr int kQuantityRow = 10;
constexpr int kPromptRow = 12;
constexpr int kTerminalLabelRow = 5;
constexpr int kTerminalFieldColumn = 10;
constexpr int kTerminalFieldRow = 8;
constexpr int kFrameRight = 23;
constexpr int kFrameBottom = 19;

// Texts that only other screens show: a screen is shown whole once none of them is left.
constexpr std::array<std::string_view, 7> kOtherScreens = {
    "Digita", "scorre", "(S/N)?", "Inizia", "Acquisizione", "Record in memoria", "F5 lista",
};

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

bool ShowsNoOther(const ScreenModel& screen, std::initializer_list<std::string_view> own) {
    for (std::string_view other : kOtherScreens) {
        if (std::find(own.begin(), own.end(), other) == own.end() && screen.Contains(other)) {
            return false;
        }
    }
    return true;
}

bool ShowsFirstScreen(const ScreenModel& screen) {
    return screen.Contains("continuare.") && screen.At(kFrameRight, kFrameBottom) == U'╝';
}

bool ShowsSplash(const ScreenModel& screen) {
    return screen.Contains("Demo Tavix v") && !screen.Contains("continuare.");
}

bool ShowsQuantityField(const ScreenModel& screen) {
    return screen.Text(kFieldColumn, kPromptRow, 16) == "Digita quantita'" &&
           screen.CursorVisible() && screen.CursorX() == kFieldColumn &&
           screen.CursorY() == kQuantityRow;
}

}  // namespace

ProgramSession::ProgramSession(const std::string& program) : pty_(program, kColumns, kRows) {}

ProgramSession::ProgramSession(const std::vector<std::string>& command)
    : pty_(command, kColumns, kRows) {}

bool ProgramSession::ShowsEntryScreen(const ScreenModel& screen) {
    return screen.Text(kFieldColumn, kPromptRow, 13) == "Digita codice" &&
           IsBlank(screen.Text(kFieldColumn, kCodeRow, kCodeLength)) &&
           screen.Text(kFieldColumn, kQuantityRow, 6) == "1     " && screen.CursorVisible() &&
           screen.CursorX() == kFieldColumn && screen.CursorY() == kCodeRow &&
           ShowsNoOther(screen, {"Digita", "F5 lista"});
}

bool ProgramSession::ShowsTerminalPrompt(const ScreenModel& screen) {
    return screen.Row(kTerminalLabelRow).find("Terminale:") != std::string::npos &&
           screen.CursorVisible() && screen.CursorX() == kTerminalFieldColumn &&
           screen.CursorY() == kTerminalFieldRow && ShowsNoOther(screen, {});
}

bool ProgramSession::ShowsMainMenu(const ScreenModel& screen) {
    return screen.Contains("Inizia") && screen.Contains("Acquisizione cod./qt") &&
           !screen.Contains("Demo Tavix") && !screen.Contains("(S/N)?");
}

void ProgramSession::WaitForFirstScreen() {
    pty_.ReadUntil(ShowsFirstScreen);
}

void ProgramSession::ToMainMenu() {
    pty_.Send(typed::kEsc);
    pty_.ReadUntil(ShowsSplash);
    pty_.Send(" ");
    pty_.ReadUntil(ShowsMainMenu);
}

std::size_t ProgramSession::OpenAcquisition() {
    pty_.Send("i");
    return pty_.ReadUntil(ShowsTerminalPrompt);
}

void ProgramSession::ConfirmTerminal() {
    pty_.Send(typed::kEnter);
    pty_.ReadUntil(ShowsEntryScreen);
}

void ProgramSession::ToEntryScreen() {
    WaitForFirstScreen();
    ToMainMenu();
    OpenAcquisition();
    ConfirmTerminal();
}

void ProgramSession::TypeCode(std::string_view code) {
    pty_.Send(code);
    WaitForCode(code);
}

void ProgramSession::WaitForCode(std::string_view code) {
    const int length = static_cast<int>(code.size());
    pty_.ReadUntil([&](const ScreenModel& screen) {
        return screen.Text(kFieldColumn, kCodeRow, length) == code &&
               screen.CursorX() == kFieldColumn + length && screen.CursorY() == kCodeRow;
    });
}

void ProgramSession::ConfirmCode() {
    pty_.Send(typed::kEnter);
    pty_.ReadUntil(ShowsQuantityField);
}

std::size_t ProgramSession::ConfirmQuantity() {
    pty_.Send(typed::kEnter);
    return pty_.ReadUntil(ShowsEntryScreen);
}

void ProgramSession::LeaveAcquisition() {
    pty_.Send(typed::kEsc);
    pty_.ReadUntil(ShowsTerminalPrompt);
    EndReadings();
}

void ProgramSession::EndReadings() {
    pty_.Send(typed::kEsc);
    Answer("Fine letture", "S", ShowsMainMenu);
}

PtyProgram::Ending ProgramSession::Quit() {
    pty_.Send(typed::kEsc);
    pty_.ReadUntil(
        [](const ScreenModel& screen) { return screen.Contains("Confermi uscita (S/N)?"); });
    pty_.Send("S");
    const PtyProgram::Ending ending = pty_.WaitForEnd();
    if (!WIFEXITED(ending.status) || WEXITSTATUS(ending.status) != 0) {
        throw std::runtime_error("the program did not end well (status " +
                                 std::to_string(ending.status) + ")");
    }
    return ending;
}

void ProgramSession::Answer(std::string_view question, std::string_view answer,
                            const PtyProgram::ScreenTest& then) {
    const std::string asked = std::string(question) + " (S/N)?";
    pty_.ReadUntil([&](const ScreenModel& screen) { return screen.Contains(asked); });
    pty_.Send(answer);
    pty_.ReadUntil(then);
}

}  // namespace tavix::bench
