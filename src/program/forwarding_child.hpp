#pragma once

#include <sys/types.h>

#include <string>

namespace tavix::program {

// When a forwarding child makes its passes.
enum class ForwardingPace {
    kEverySecond,  // a readings file: its changes are forwarded as they are stored
    kWhenWoken,    // a spool: a pass at the start when the file exists, then one whenever the
                   // program wakes it (it kept a reading) until nothing waits
};

// A child process forwarding a local file to a server, and the program's end of the lifeline
// between them: a byte written there wakes the child, and the child ends when the program
// closes it or ends itself.
struct ForwardingChild {
    pid_t pid = -1;
    int lifeline = -1;
};

// Forks the child that forwards file to uri (store::Forwarder), logging as ForwardingRounds
// says. It is forked before the console is taken and the store opened, so that it holds no
// terminal, no thread and no connection of the program's: its standard streams are /dev/null,
// it leaves the terminal's session (the operator's keys send it no signal), and it ends with
// the program however the program ends (SIGTERM when the program's process is gone).
// Throws std::system_error when the system cannot make it.
ForwardingChild StartForwardingChild(const std::string& file, const std::string& uri,
                                     ForwardingPace pace);

}  // namespace tavix::program
