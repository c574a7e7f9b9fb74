#pragma once

#include <string>

#include "cell_grid.hpp"
#include "key_codes.hpp"

namespace tavix::console {

struct TerminalSize {
    int columns = 0;
    int rows = 0;
};

// Where the terminal's cursor should be after a frame is shown.
struct CursorState {
    bool visible = false;
    bool overwrite = false;  // a block cursor when the line editor overwrites
    int x = 1;
    int y = 1;
};

// Thrown by a terminal's ReadKey when the program must end: a termination signal arrived or
// the keyboard is gone. It deliberately does not derive from std::exception, so that no
// screen's error handling swallows it; only the program's entry catches it.
struct TerminationRequested {
    int signal = 0;  // 0 when the input ended
};

// What the console needs of a terminal. The real one draws with ncurses; the scripted one
// feeds keys to tests and keeps every frame.
class Terminal {
  public:
    virtual ~Terminal() = default;

    // Attach takes the terminal over (alternate screen, raw keys, no echo); Detach gives it
    // back as it was found. Both may be called once each.
    virtual void Attach() = 0;
    virtual void Detach() = 0;

    // The window title, where the terminal has one. The text is single-byte.
    virtual void SetTitle(const std::string& title) = 0;

    virtual TerminalSize Size() const = 0;

    // Shows the grid at the terminal's top-left corner and flushes. Only cells that changed
    // since the last call need to be written.
    virtual void Present(const CellGrid& grid, const CursorState& cursor) = 0;

    // Waits for the next key. Throws TerminationRequested when the program must end.
    virtual KeyCode ReadKey() = 0;

    // Whether a key typed ahead is waiting to be read, without waiting for one. The console
    // draws no frame while one is: a burst of keys (a scanner, fast typing) is read without
    // a frame each, and the frame after the last shows all of it. A terminal that cannot
    // tell says no, and every key gets its frame.
    virtual bool KeyWaiting() { return false; }

    // Forgets keys that were typed ahead and not read yet.
    virtual void DiscardTypeAhead() = 0;
};

}  // namespace tavix::console
