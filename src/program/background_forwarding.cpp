#include "program/background_forwarding.hpp"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <optional>

#include "diagnostics/diagnostic_log.hpp"
#include "program/forwarding_child.hpp"
#include "store/database_target.hpp"

namespace tavix::program {

namespace {

struct Children {
    std::optional<ForwardingChild> child;
    std::string spool;  // when the child forwards a spool
    bool loss_logged = false;
};

Children& TheChildren() {
    static Children children;
    return children;
}

void Start(const std::string& file, const std::string& uri, ForwardingPace pace) {
    try {
        TheChildren().child = StartForwardingChild(file, uri, pace);
    } catch (const std::exception&) {
        diagnostics::LogCurrentFailure("start-up: starting the forwarding of " + file);
    }
}

}  // namespace

void StartBackgroundForwarding(const std::string& database, const std::string& forward,
                               const std::string& spool) {
    EndBackgroundForwarding();  // a run of the program before, in the same process (tests)
    if (!forward.empty()) {
        Start(database, forward, ForwardingPace::kEverySecond);
    } else if (store::IsPostgresTarget(database) && !spool.empty()) {
        TheChildren().spool = spool;
        Start(spool, database, ForwardingPace::kWhenWoken);
    }
}

void WakeSpoolForwarding() {
    Children& children = TheChildren();
    if (!children.child || children.spool.empty()) {
        return;
    }
    const char wake = 'w';
    if (::send(children.child->lifeline, &wake, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1 ||
        errno == EAGAIN || errno == EWOULDBLOCK || children.loss_logged) {
        return;  // woken, or with wakes it has still to read
    }
    children.loss_logged = true;
    diagnostics::LogFailure("forwarding " + children.spool,
                            "the spool's forwarder has ended: what it keeps waits for the next "
                            "session on the server, or tavix-admin forward " +
                                children.spool);
}

void EndBackgroundForwarding() {
    Children& children = TheChildren();
    if (!children.child) {
        return;
    }
    ::kill(children.child->pid, SIGTERM);
    ::close(children.child->lifeline);
    // SIGTERM ends it at once, whatever it was waiting for: this only reaps it.
    while (::waitpid(children.child->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    children.child.reset();
    children.spool.clear();
    children.loss_logged = false;
}

}  // namespace tavix::program
