#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "support/screen_parity.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {

// What tmux shows in a pane at one moment: every cell with its look, and the cursor.
struct PaneSnapshot {
    std::string capture;  // capture-pane -p -e -N: blanks at the end of a line kept
    PaneCursor cursor;

    PaneGrid Grid(int columns, int rows) const { return ParseCapturedPane(capture, columns, rows); }
    friend bool operator==(const PaneSnapshot& a, const PaneSnapshot& b) {
        return a.capture == b.capture && a.cursor.visible == b.cursor.visible &&
               a.cursor.x == b.cursor.x && a.cursor.y == b.cursor.y;
    }
};

// Tells when a program that runs in a tmux pane, started by the pane's shell, has settled:
// it has read since the last key was typed (typed bytes may take a moment to become readable,
// and a program that sleeps before it has them has not seen the key), nothing typed is left
// unread, it waits for the next key, and tmux shows the same screen twice in a row. What the
// program does is read from /proc: its read calls, and its wait, a poll, select or read
// without a time limit (a wait with one is the rest of an escape sequence still to come).
// Where /proc does not show these, a sleeping program whose screen stays the same for a
// while counts as settled.
class SettledPane {
  public:
    SettledPane(const TmuxSession& session, std::chrono::milliseconds timeout);
    ~SettledPane();
    SettledPane(const SettledPane&) = delete;
    SettledPane& operator=(const SettledPane&) = delete;

    // Polls until the pane has settled; the last snapshot either way, and whether it settled.
    std::pair<PaneSnapshot, bool> Wait();
    // Call just before a key is typed: the next Wait also waits for the program to read.
    void ExpectKey();
    PaneSnapshot Snapshot() const;

  private:
    enum class Activity { kWaitsForKey, kBusy, kSleeping };

    Activity ProgramActivity();
    // Whether the program has read since ExpectKey (true when no key is expected), or
    // nothing when /proc cannot tell.
    std::optional<bool> KeyRead();
    bool InputPending() const;

    const TmuxSession& session_;
    std::chrono::milliseconds timeout_;
    std::string socket_;
    std::string pane_;
    int tty_fd_ = -1;
    pid_t program_ = -1;
    bool key_expected_ = false;
    std::optional<std::uint64_t> reads_before_key_;
};

}  // namespace tavix::testing
