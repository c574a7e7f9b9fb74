#pragma once

#include <string>

#include "support/postgres/server_binaries.hpp"

namespace tavix::testing {

// The server's superuser, and the port that names its socket file (".s.PGSQL.<port>") when it
// takes no TCP.
inline constexpr const char* kServerSuperuser = "postgres";
inline constexpr int kServerPort = 5432;

// How the server runs. Tests throw their data away and need no durability; a benchmark that
// measures commits needs the server to sync them, as a real one does, and room for its
// sessions.
struct ServerSettings {
    bool durable = false;
    int max_connections = 40;
    std::string shared_buffers = "16MB";
    // When set, the folder of a running server this one streams from as its standby: a copy
    // made by pg_basebackup -R instead of a new cluster.
    std::string standby_of;
    // Also on 127.0.0.1 with TLS, with certificates of its own (server_certificates.hpp), as a
    // site's server is reached over a network. The port is then a free one, which names the
    // socket file too.
    bool tls = false;
    int port = kServerPort;
};

// What the supervisor runs: the server programs, the folder it owns, whether the server must
// run as kUnprivilegedUser, and its settings.
struct SupervisorPlan {
    ServerBinaries binaries;
    std::string folder;
    bool drop_privileges = false;
    ServerSettings settings;
};

// The supervisor's lines on report_fd: "R <postmaster pid>" once the server accepts
// connections, "D" once it has stopped on kStopServer, "F <reason>" when it cannot start one;
// the pipe closes when it has finished.
inline constexpr char kReady = 'R';
inline constexpr char kDown = 'D';
inline constexpr char kFailed = 'F';

// What may be written on control_fd: stop the server as an administrator does (a fast shut-down:
// every session is ended with a word to its client), stop it as a crash would (an immediate
// shut-down: no session hears a word, nothing is written), and start it again on the same data.
inline constexpr char kStopServer = 'P';
inline constexpr char kStopServerImmediately = 'I';
inline constexpr char kStartServer = 'S';

// The supervisor process: creates the cluster (or copies its primary's), starts the server,
// reports, then follows the commands on control_fd until it reaches its end; then stops the server,
// removes the folder and ends the process.
[[noreturn]] void Supervise(const SupervisorPlan& plan, int control_fd, int report_fd);

}  // namespace tavix::testing
