#pragma once

#include <chrono>
#include <optional>

namespace tavix::program {

// The program's entry: reads the command line first (command_line.hpp). Help, the version and
// a wrong option or value are written out and end the process before anything else is done;
// otherwise the diagnostic log goes where the command line says and the program runs as
// Main() does, on the store the command line chose.
[[noreturn]] void Main(int argc, const char* const* argv);

// The program as started without arguments: opens the readings store ReadCommandLine finds
// (the environment, the settings file, else the file beside the executable) or, when that
// cannot be one, says why and ends; takes over the console, shows the information screen and
// the splash, runs the main menu until the exit is confirmed, gives the console back as it
// found it and ends the process. The diagnostic log stays where it was sent.
[[noreturn]] void Main();

// How long the program's database waits for another program's lock before a write gives up:
// the store's own wait unless a test sets a shorter one. Nothing sets it in the program.
void SetBusyTimeout(std::optional<std::chrono::milliseconds> timeout);

// Releases the console, closes the readings, ends the forwarding in the background and ends
// the process with the given status.
[[noreturn]] void Shutdown(int status = 0);

}  // namespace tavix::program
