#pragma once

#include <string>

#include "support/postgres/server_binaries.hpp"

namespace tavix::testing {

// The server's superuser, and the port that names its socket file (".s.PGSQL.<port>").
inline constexpr const char* kServerSuperuser = "postgres";
inline constexpr int kServerPort = 5432;

// What the supervisor runs: the server programs, the folder it owns, and whether the server
// must run as kUnprivilegedUser.
struct SupervisorPlan {
    ServerBinaries binaries;
    std::string folder;
    bool drop_privileges = false;
};

// The supervisor's lines on report_fd: "R <postmaster pid>" once the server accepts
// connections, "F <reason>" when it cannot start one; the pipe closes when it has finished.
inline constexpr char kReady = 'R';
inline constexpr char kFailed = 'F';

// The supervisor process: creates the cluster, starts the server, reports, then waits for
// control_fd to reach its end; then stops the server, removes the folder and ends the process.
[[noreturn]] void Supervise(const SupervisorPlan& plan, int control_fd, int report_fd);

}  // namespace tavix::testing
