#pragma once

#include <signal.h>

namespace tavix::program {

// Holds SIGTERM, SIGHUP, SIGINT and SIGQUIT back while the program ends. Once the console is
// detached their handlers are the defaults again, and one arriving before the readings are closed
// would end the process with the database still open; a lost terminal sends SIGHUP more than
// once, so this is no rare race. Held signals die with the process. If the object goes
// without the process ending (a test's replaced end), the mask comes back as it was.
class TerminationSignalsHeld {
  public:
    TerminationSignalsHeld();
    ~TerminationSignalsHeld();
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

  private:
    sigset_t previous_{};
};

}  // namespace tavix::program
