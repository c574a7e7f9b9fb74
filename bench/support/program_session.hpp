#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pty_program.hpp"

namespace tavix::bench {

// The keys as an xterm sends them.
namespace typed {
inline constexpr std::string_view kEnter = "\r";
inline constexpr std::string_view kEsc = "\x1b";
inline constexpr std::string_view kF1 = "\x1bOP";
inline constexpr std::string_view kF3 = "\x1bOR";
inline constexpr std::string_view kF5 = "\x1b[15~";
inline constexpr std::string_view kRight = "\x1b[C";
}  // namespace typed

// The real program on a pseudo-terminal of 80 x 24, led through its screens as an operator
// would. Each step sends its keys and waits until the screen it leads to is shown whole, so
// that what the program writes afterwards belongs to the next step. Any unexpected screen
// fails the step with std::runtime_error.
class ProgramSession {
  public:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 24;

    // Starts the program; nothing is read yet.
    explicit ProgramSession(const std::string& program);
    // Starts the program through a command that runs it (the program last).
    explicit ProgramSession(const std::vector<std::string>& command);

    PtyProgram& Pty() { return pty_; }
    const ScreenModel& Screen() const { return pty_.Screen(); }

    // Reads until the information screen, the program's first, is shown whole.
    void WaitForFirstScreen();
    // From the first screen to the main menu: Esc, and a key for the splash.
    void ToMainMenu();
    // From the main menu to the terminal prompt ("i"); returns the bytes written for it.
    std::size_t OpenAcquisition();
    // From the terminal prompt to the entry screen of the terminal offered, with an empty
    // code field.
    void ConfirmTerminal();
    // From the start to the entry screen: the four steps above, one after another.
    void ToEntryScreen();
    // From the empty code field: types the code and waits until it shows.
    void TypeCode(std::string_view code);
    // Waits until the code field shows `code` being typed, the cursor after it.
    void WaitForCode(std::string_view code);
    // Enter confirms the code; waits for the quantity field.
    void ConfirmCode();
    // From the quantity field: Enter stores the reading with the quantity offered; waits for
    // the empty code field again. Returns the bytes written for it.
    std::size_t ConfirmQuantity();
    // From the empty code field to the main menu: Esc, Esc, "S".
    void LeaveAcquisition();
    // From the terminal prompt to the main menu: Esc, "S".
    void EndReadings();
    // From the main menu: Esc and "S"; waits for the program to end and checks that it ended
    // well.
    PtyProgram::Ending Quit();

    // The screen states the steps wait for, for benchmarks that go their own way.
    static bool ShowsEntryScreen(const ScreenModel& screen);
    static bool ShowsTerminalPrompt(const ScreenModel& screen);
    static bool ShowsMainMenu(const ScreenModel& screen);

  private:
    void Answer(std::string_view question, std::string_view answer,
                const PtyProgram::ScreenTest& then);

    PtyProgram pty_;
};

}  // namespace tavix::bench
