#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.hpp"

namespace tavix::testing {

// A throw-away OpenSSH server on 127.0.0.1, on a free port, with its own host key, client key
// and configuration in a folder of its own. Logins as the user running the test get a terminal
// and run `force_command`, with `session_environment` ("NAME=value" each) set by the server for
// every session, as a site sets it. A process of its own keeps the server: it stops it, ends
// every session's processes (those started by tmux too) and removes the folder once the object
// goes or the test process ends, however it ends.
class SshServer {
  public:
    SshServer(const std::string& force_command,
              const std::vector<std::string>& session_environment);
    ~SshServer();
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    // A shell command that logs in with a terminal forced, as a handheld's emulator does.
    std::string ClientCommand() const;
    const std::string& Folder() const { return folder_.Path(); }
    // What sshd said, for a login that failed (as a user other than root, sshd cannot give
    // the session a terminal where /dev/pts is mounted without gid=5).
    std::string Log() const;
    // The processes of the server's sessions running `executable`.
    std::vector<pid_t> SessionProcesses(const std::string& executable) const;

  private:
    TempDir folder_;
    int port_ = 0;
    int control_fd_ = -1;
    pid_t keeper_ = -1;
};

}  // namespace tavix::testing
