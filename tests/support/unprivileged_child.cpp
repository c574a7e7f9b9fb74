#include "support/unprivileged_child.hpp"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tavix::testing {

int RunAsUnprivilegedUser(const std::function<int()>& body) {
    std::fflush(nullptr);  // or the child would write the parent's buffered output again
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedUser) != 0 ||
                                 ::setuid(kUnprivilegedUser) != 0)) {
            ::_exit(kCannotDropPrivileges);
        }
        int status = kExceptionInChild;
        try {
            status = body();
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(status);
    }
    if (child < 0) {
        return kChildDidNotExit;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return kChildDidNotExit;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : kChildDidNotExit;
}

}  // namespace tavix::testing
