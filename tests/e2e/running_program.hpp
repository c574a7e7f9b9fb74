#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/program_folder.hpp"
#include "support/readings_in_file.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {

// The text between the frame's side borders on `row` (from 1), trimmed; the whole line,
// trimmed, when the row has no frame.
std::string FrameRow(const std::vector<std::string>& lines, int row);

// The real program in a detached tmux session, driven from the start to the entry screen and
// through readings. Every wait says whether the screen got there; the caller asserts.
class RunningProgram {
  public:
    // By default the shell prints the exit status as "rc=N" on a line of its own, even after
    // a kill left the terminal raw (no carriage return at a line's end), and stays.
    RunningProgram(const ProgramFolder& folder, const std::string& before = "",
                   const std::string& after = "printf '\\r\\nrc=%d\\r\\n' $?; read line",
                   const std::string& arguments = "");
    // Any shell command that brings up the program, such as a login to a server that runs it;
    // the shell then prints its exit status as above.
    explicit RunningProgram(const std::string& command);

    TmuxSession& Session() { return session_; }
    std::string Screen() const { return session_.Screen(); }

    // From start-up to the empty code field of the entry screen of `terminal`.
    bool OpenEntryScreen(const std::string& terminal);
    // Types a code and its Enter, up to the quantity prompt under that code.
    bool EnterCode(const std::string& code);
    // Types a quantity and its Enter in one write, without waiting for anything.
    void SendQuantity(const std::string& quantity);
    // The entry screen asks for the next code: the last reading is confirmed.
    bool WaitForEmptyCodeField() const;
    // The code field shows `text`, being typed.
    bool WaitForCodeField(const std::string& text) const;
    // From the empty code field back through the terminal prompt and the main menu to the end.
    bool Leave();

    // The program's process (the child of the pane's shell: over SSH, the client), or -1
    // before it started.
    pid_t ProgramPid() const;

  private:
    TmuxSession session_;
};

}  // namespace tavix::testing
