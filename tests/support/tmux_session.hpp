#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tavix::testing {

struct TmuxOptions {
    int columns = 80;
    int rows = 24;
    // The TERM of the pane; empty keeps tmux's own default-terminal.
    std::string term;
    // How long a wait for the screen may last before it gives up.
    std::chrono::milliseconds timeout{10000};
};

// Runs a shell command in a detached tmux session of a fixed size on a server of its own,
// types keys into it and reads its screen, for tests that need a real terminal. Works with
// no terminal and no standard input. The pane stays after the command ends, so its last
// screen can still be read (tmux 3.3a does not always know the exit status of a dead pane:
// a test that needs it has the shell print it). The server goes with the object.
class TmuxSession {
  public:
    explicit TmuxSession(const std::string& command, TmuxOptions options = {});
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    // One key by its tmux name ("F1", "C-Up", "Escape", "BSpace"). tmux writes all keys of
    // one call in a single write, so keys are sent one per call.
    void SendKey(const std::string& key_name);
    // Text typed as it is (UTF-8).
    void SendText(const std::string& text);
    void Resize(int columns, int rows);

    // The screen as text, one line per row, trailing blanks cut.
    std::vector<std::string> Lines() const;
    // Row `row` (from 1) of the screen, or "" beyond it.
    std::string Line(int row) const;
    std::string Screen() const;
    // The screen with its colours and attributes as SGR sequences.
    std::string ScreenWithColours() const;

    // Each wait polls the screen until its condition holds or the timeout passes, and says
    // whether the condition held.
    bool WaitFor(const std::function<bool(const std::vector<std::string>&)>& condition) const;
    bool WaitForText(const std::string& text) const;
    // Until row `row` (from 1) reads exactly `text`.
    bool WaitForLine(int row, const std::string& text) const;
    // Until two captures in a row are equal.
    bool WaitForStableScreen() const;

    // A tmux format of the pane, such as "#{pane_title}".
    std::string Format(const std::string& format) const;
    pid_t PanePid() const;
    std::string PaneTitle() const { return Format("#{pane_title}"); }

  private:
    std::string Tmux(std::vector<std::string> arguments) const;

    std::string socket_;
    TmuxOptions options_;
};

// Whether row `row` (from 1) of a screen's lines reads exactly `text`.
bool LineIs(const std::vector<std::string>& lines, int row, const std::string& text);

// Every process's parent, from /proc.
std::map<pid_t, pid_t> ParentsOfProcesses();

// The processes whose parent is `parent`, such as the program a pane's shell started.
std::vector<pid_t> ChildProcesses(pid_t parent);

// Whether tmux can be run at all.
bool TmuxAvailable();

}  // namespace tavix::testing
