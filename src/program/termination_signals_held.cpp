#include "program/termination_signals_held.hpp"

#include <pthread.h>

#include <initializer_list>

namespace tavix::program {

TerminationSignalsHeld::TerminationSignalsHeld() {
    sigset_t termination;
    sigemptyset(&termination);
    for (const int signal_number : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
        sigaddset(&termination, signal_number);
    }
    pthread_sigmask(SIG_BLOCK, &termination, &previous_);
}

TerminationSignalsHeld::~TerminationSignalsHeld() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace tavix::program
