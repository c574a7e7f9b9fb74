#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "support/postgres/server_supervisor.hpp"

namespace tavix::testing {

// A throw-away PostgreSQL server of the test's own: initdb into a fresh temporary folder, then
// the server listening on a Unix socket in that folder (and on 127.0.0.1 at a free port, with
// TLS, only when the settings ask for it), so it never meets a server that already runs on the
// machine. When the test runs as root the server runs as
// kUnprivilegedUser, since PostgreSQL refuses to run as root.
//
// A supervisor process owns the server and the folder. It is detached from the test (a session
// of its own, so neither a Ctrl-C at the terminal nor CTest killing the test's process tree
// reaches it) and watches a pipe whose only writer is this object: when the pipe closes, by
// Stop, by the test's normal end or by the test's process dying in any way (a crash, SIGKILL),
// it stops the server and removes the folder. So the server is gone however the test ends.
class PostgresServer {
  public:
    // Starts the server and returns once it accepts connections. Throws std::runtime_error,
    // with initdb's or the server's own words, when it cannot; when the server programs are
    // missing the message names the Debian package.
    explicit PostgresServer(ServerSettings settings = {});
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;
    ~PostgresServer();

    // Stops the server and waits (bounded) until it has ended and its folder is removed.
    void Stop() noexcept;

    // Shuts the server down as an administrator does (every session ended with a word to its
    // client), keeping its data, and returns once it has ended; StartAgain starts it on the
    // same data and returns once it accepts connections. Both throw std::runtime_error when
    // the server does not do so.
    void ShutDown();
    void StartAgain();
    // Stops the server as a crash would (pg_ctl stop -m immediate): no session hears a word, and
    // nothing waits for what the server had under way. Returns once it has ended.
    void StopImmediately();

    // The folder that holds the data, the socket and the logs.
    const std::string& Folder() const { return folder_; }
    // The server's main process (the postmaster).
    pid_t ServerProcessId() const { return server_pid_; }
    // Its port, on 127.0.0.1 when it takes TLS, and its socket file, which that port names.
    int Port() const { return port_; }
    std::string SocketPath() const;

    // Connecting as the server's superuser to database, as a key=value string and as a URI.
    std::string ConnInfo(std::string_view database) const;
    std::string Uri(std::string_view database) const;

  private:
    void StartSupervisor(const ServerBinaries& binaries, const ServerSettings& settings);
    void AwaitReady();
    void Command(char command);
    void StopBy(char command);

    std::string folder_;
    int port_ = kServerPort;
    pid_t server_pid_ = 0;
    int control_fd_ = -1;  // closing it tells the supervisor to stop
    int report_fd_ = -1;   // what the supervisor says; it ends when the supervisor has finished
};

}  // namespace tavix::testing
