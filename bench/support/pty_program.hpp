#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "screen_model.hpp"

namespace tavix::bench {

// A program running on a pseudo-terminal of its own, as under a terminal emulator: the
// benchmark types keys into it and reads everything it writes, following the screen with a
// ScreenModel. Nothing waits a fixed time: every wait is for a state of the screen.
class PtyProgram {
  public:
    using ScreenTest = std::function<bool(const ScreenModel&)>;

    static constexpr std::chrono::seconds kPatience{60};

    // Starts `command` (a program, found on PATH when it names no folder, and its
    // arguments) with TERM=xterm-256color and a UTF-8 locale on a terminal of columns x rows.
    PtyProgram(const std::vector<std::string>& command, int columns, int rows);
    PtyProgram(const std::string& executable, int columns, int rows)
        : PtyProgram(std::vector<std::string>{executable}, columns, rows) {}
    ~PtyProgram();
    PtyProgram(const PtyProgram&) = delete;
    PtyProgram& operator=(const PtyProgram&) = delete;

    void Send(std::string_view keys);

    // Types keys far ahead of the program, reading what it writes meanwhile, so that neither
    // side waits on the other's full buffer. Returns when every key is typed.
    void TypeAhead(std::string_view keys, std::chrono::milliseconds patience = kPatience);

    // Reads what the program writes until `done` holds for the screen, tested after every
    // read; returns the number of bytes read. Throws std::runtime_error, with the screen,
    // when the program ends or the time runs out first.
    std::size_t ReadUntil(const ScreenTest& done, std::chrono::milliseconds patience = kPatience);

    // Reads until the program closes the terminal, then reaps it.
    struct Ending {
        int status = 0;          // as waitpid gives it
        long peak_rss_kib = 0;   // the program's largest resident set
        double cpu_seconds = 0;  // the user and system time the program used
        std::size_t bytes = 0;   // written after the last ReadUntil
    };
    Ending WaitForEnd(std::chrono::milliseconds patience = kPatience);

    const ScreenModel& Screen() const { return screen_; }
    // Every byte read from the program since it started.
    std::size_t BytesRead() const { return bytes_read_; }

  private:
    // Reads what is there, waiting up to `patience` for something; false at the end.
    bool ReadSome(std::chrono::milliseconds patience);

    pid_t pid_ = -1;
    int master_ = -1;
    ScreenModel screen_;
    std::size_t bytes_read_ = 0;
};

}  // namespace tavix::bench
