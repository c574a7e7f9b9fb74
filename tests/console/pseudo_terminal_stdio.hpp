#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace tavix::console {

// A pseudo-terminal in place of the test process's standard input and output for the time of
// the test: what the terminal backend writes is read from its other side, and keys are typed
// there.
class PseudoTerminalStdio {
  public:
    PseudoTerminalStdio(int columns, int rows);
    ~PseudoTerminalStdio();
    PseudoTerminalStdio(const PseudoTerminalStdio&) = delete;
    PseudoTerminalStdio& operator=(const PseudoTerminalStdio&) = delete;

    // Everything the terminal received since the last call. A marker written after it on
    // the same side tells where it ends; the pseudo-terminal keeps the order. Only while
    // nothing else writes to the terminal.
    std::string Received();
    // Reads what the terminal receives, handing each piece to `take`, until `done` holds;
    // false when the time ran out first (a fail-safe, not a measure).
    bool ReceiveUntil(const std::function<void(const std::string&)>& take,
                      const std::function<bool()>& done,
                      std::chrono::milliseconds patience = std::chrono::seconds(10));

    void Type(const std::string& keys);
    void Resize(int columns, int rows);
    // The terminal's modes, to compare before and after.
    std::string Modes() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    int saved_input_ = -1;
    int saved_output_ = -1;
};

}  // namespace tavix::console
