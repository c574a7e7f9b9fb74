#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace tavix::testing {

struct AdminResult {
    int exit_status = -1;  // -1 when the process did not exit by itself
    int signal = 0;        // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// How tavix-admin runs beside its arguments.
struct AdminSetup {
    // Added to (or, with an empty value, removed from) the environment.
    std::map<std::string, std::string> environment;
    // Standard output goes to this descriptor instead of a pipe the test reads.
    int stdout_fd = -1;
    // RLIMIT_FSIZE for the child, in bytes; 0 leaves it alone.
    rlim_t file_size_limit = 0;
    // The program to run; tavix-admin of the build by default.
    std::string program;
};

// tavix-admin running as a child, its standard output and error on pipes.
class AdminProcess {
  public:
    explicit AdminProcess(const std::vector<std::string>& arguments, const AdminSetup& setup = {});
    AdminProcess(const AdminProcess&) = delete;
    AdminProcess& operator=(const AdminProcess&) = delete;
    ~AdminProcess();

    pid_t Pid() const { return pid_; }

    // Reads standard output until it holds at least `bytes` bytes or ends; returns what it has.
    const std::string& ReadOutputUntil(std::size_t bytes);

    // Reads both pipes to their end and waits for the process.
    AdminResult Finish();

  private:
    pid_t pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    AdminResult result_;
};

// Runs tavix-admin to its end.
AdminResult RunAdmin(const std::vector<std::string>& arguments, const AdminSetup& setup = {});

}  // namespace tavix::testing
