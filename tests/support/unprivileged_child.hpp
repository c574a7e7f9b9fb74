#pragma once

#include <sys/types.h>

#include <functional>

namespace tavix::testing {

// The user a child drops to: "nobody" on Debian.
inline constexpr uid_t kUnprivilegedUser = 65534;

// Exit statuses of the child that are not the body's own.
inline constexpr int kCannotDropPrivileges = 90;
inline constexpr int kExceptionInChild = 91;
inline constexpr int kChildDidNotExit = -1;

// Runs body in a child process and returns its exit status. The tests run as root in CI, and
// root reads and writes any file whatever its mode, so the child first becomes an unprivileged
// user: only then does a read-only file or folder refuse a write. The child ends with _exit,
// without destructors, since the parent still owns the folders, files and console it shares.
// A check that fails inside the child is not seen by the parent: the body says so through the
// status it returns.
int RunAsUnprivilegedUser(const std::function<int()>& body);

}  // namespace tavix::testing
