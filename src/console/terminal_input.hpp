#pragma once

#include <signal.h>

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "key_codes.hpp"
#include "key_decoder.hpp"

namespace tavix::console {

// The keyboard side of a real terminal: bytes read from a file descriptor and decoded into
// key codes, and the signals that end the program, change the terminal's size or suspend the
// program, which arrive through a self-pipe so that a wait for a key notices them.
//
// The signal handlers are process-wide: only one input may be started at a time.
class TerminalInput {
  public:
    // How long the rest of an escape sequence may take to arrive before the bytes so far
    // are taken as they are (a lone ESC is then the Esc key).
    static constexpr std::chrono::milliseconds kSequenceWait{25};

    // What the terminal does when a signal asks for it; each runs inside ReadKey or
    // KeyWaiting, never in the signal handler.
    struct Handlers {
        std::function<void()> resized = nullptr;     // SIGWINCH
        std::function<void()> suspending = nullptr;  // SIGTSTP, before the process stops
        std::function<void()> resumed = nullptr;     // the process runs again after a stop
    };

    // Reads from `fd` (not owned).
    TerminalInput(int fd, Handlers handlers,
                  std::chrono::milliseconds sequence_wait = kSequenceWait);
    ~TerminalInput();
    TerminalInput(const TerminalInput&) = delete;
    TerminalInput& operator=(const TerminalInput&) = delete;

    // Start catches SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGWINCH and SIGCONT, and SIGTSTP
    // unless it was ignored (then nobody wants the program suspended); Stop puts back the
    // handlers that were there before Start.
    void Start();
    void Stop();

    // Waits for the next key. Throws TerminationRequested{signal} for a termination signal
    // and TerminationRequested{0} when the input ends.
    KeyCode ReadKey();

    // Whether typed keys are waiting to be read, without waiting for any: what is already
    // there is read, all of it in one call.
    bool KeyWaiting();

    // Forgets the bytes typed ahead and not read yet.
    void DiscardTypeAhead();

    // The characters of an 8-bit terminal's bytes from 0x80 up; nothing for UTF-8.
    void TypeIn(const std::optional<UpperHalfCharacters>& upper_half) { upper_half_ = upper_half; }

  private:
    static constexpr std::size_t kSignalCount = 7;

    // Waits up to `timeout` (forever when negative) for bytes or a signal; false when the
    // time ran out with nothing new.
    bool WaitForInput(std::chrono::milliseconds timeout);
    void DrainWakePipe();
    void HandleSignals();
    void SuspendProcess();
    void ReadBytes();

    int fd_;
    Handlers handlers_;
    std::chrono::milliseconds sequence_wait_;
    std::string pending_;
    std::optional<UpperHalfCharacters> upper_half_;
    std::vector<char> read_buffer_;
    bool started_ = false;
    std::array<int, 2> wake_pipe_ = {-1, -1};
    std::array<struct sigaction, kSignalCount> previous_actions_{};
};

}  // namespace tavix::console
