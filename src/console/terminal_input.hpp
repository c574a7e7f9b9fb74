#pragma once

#include <signal.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>

#include "key_codes.hpp"

namespace tavix::console {

// The keyboard side of a real terminal: bytes read from a file descriptor and decoded into
// key codes, and the signals that end the program or change the terminal's size, which
// arrive through a self-pipe so that a wait for a key notices them.
//
// The signal handlers are process-wide: only one input may be started at a time.
class TerminalInput {
  public:
    // How long the rest of an escape sequence may take to arrive before the bytes so far
    // are taken as they are (a lone ESC is then the Esc key).
    static constexpr std::chrono::milliseconds kSequenceWait{25};

    // Reads from `fd` (not owned). `on_resize` runs on every SIGWINCH, inside ReadKey.
    TerminalInput(int fd, std::function<void()> on_resize,
                  std::chrono::milliseconds sequence_wait = kSequenceWait);
    ~TerminalInput();
    TerminalInput(const TerminalInput&) = delete;
    TerminalInput& operator=(const TerminalInput&) = delete;

    // Start catches SIGTERM, SIGHUP, SIGINT and SIGWINCH; Stop puts back the handlers that
    // were there before Start, SIGTSTP's included (a library started in between may have
    // installed its own).
    void Start();
    void Stop();

    // Waits for the next key. Throws TerminationRequested{signal} for a termination signal
    // and TerminationRequested{0} when the input ends.
    KeyCode ReadKey();

    // Forgets the bytes typed ahead and not read yet.
    void DiscardTypeAhead();

  private:
    static constexpr int kSignalCount = 5;

    // Waits up to `timeout` (forever when negative) for bytes or a signal; false when the
    // time ran out with nothing new.
    bool WaitForInput(std::chrono::milliseconds timeout);
    void HandleSignals();
    void ReadBytes();

    int fd_;
    std::function<void()> on_resize_;
    std::chrono::milliseconds sequence_wait_;
    std::string pending_;
    bool started_ = false;
    std::array<int, 2> wake_pipe_ = {-1, -1};
    std::array<struct sigaction, kSignalCount> previous_actions_{};
};

}  // namespace tavix::console
