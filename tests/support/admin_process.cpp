#include "support/admin_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace tavix::testing {

namespace {

void MakePipe(int (&ends)[2]) {
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
}

// What execve needs, made before fork: after it the child only calls async-signal-safe
// functions.
struct ChildImage {
    std::string program;
    std::vector<std::string> strings;  // the arguments, then the environment
    std::vector<char*> argv;
    std::vector<char*> envp;

    ChildImage(const std::vector<std::string>& arguments, const AdminSetup& setup)
        : program(setup.program.empty() ? TAVIX_ADMIN_BINARY : setup.program) {
        strings.push_back(program);
        strings.insert(strings.end(), arguments.begin(), arguments.end());
        const std::size_t argument_count = strings.size();
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string entry = *variable;
            const std::string name = entry.substr(0, entry.find('='));
            if (setup.environment.count(name) == 0) {
                strings.push_back(entry);
            }
        }
        for (const auto& [name, value] : setup.environment) {
            if (!value.empty()) {
                strings.push_back(name + "=" + value);
            }
        }
        for (std::size_t i = 0; i < strings.size(); ++i) {
            (i < argument_count ? argv : envp).push_back(strings[i].data());
        }
        argv.push_back(nullptr);
        envp.push_back(nullptr);
    }
};

[[noreturn]] void ExecChild(const ChildImage& image, rlim_t file_size_limit, int out_fd,
                            int err_fd) {
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(err_fd, STDERR_FILENO);
    if (file_size_limit != 0) {
        const rlimit limit{file_size_limit, file_size_limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execve(image.program.c_str(), image.argv.data(), image.envp.data());
    ::_exit(127);
}

// Appends what fd has now; false at its end.
bool ReadAvailable(int fd, std::string& into) {
    char buffer[65536];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) {
        return true;
    }
    if (count <= 0) {
        return false;
    }
    into.append(buffer, static_cast<std::size_t>(count));
    return true;
}

}  // namespace

AdminProcess::AdminProcess(const std::vector<std::string>& arguments, const AdminSetup& setup) {
    int out_pipe[2] = {-1, -1};
    int err_pipe[2];
    if (setup.stdout_fd < 0) {
        MakePipe(out_pipe);
    }
    MakePipe(err_pipe);
    const ChildImage image(arguments, setup);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        ExecChild(image, setup.file_size_limit, setup.stdout_fd < 0 ? out_pipe[1] : setup.stdout_fd,
                  err_pipe[1]);
    }
    if (setup.stdout_fd < 0) {
        ::close(out_pipe[1]);
        out_fd_ = out_pipe[0];
    }
    ::close(err_pipe[1]);
    err_fd_ = err_pipe[0];
}

AdminProcess::~AdminProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (const int fd : {out_fd_, err_fd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

const std::string& AdminProcess::ReadOutputUntil(std::size_t bytes) {
    while (out_fd_ >= 0 && result_.out.size() < bytes && ReadAvailable(out_fd_, result_.out)) {
    }
    return result_.out;
}

AdminResult AdminProcess::Finish() {
    std::vector<pollfd> open;
    for (const int fd : {out_fd_, err_fd_}) {
        if (fd >= 0) {
            open.push_back({fd, POLLIN, 0});
        }
    }
    while (!open.empty()) {
        if (::poll(open.data(), open.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        for (auto it = open.begin(); it != open.end();) {
            std::string& into = it->fd == out_fd_ ? result_.out : result_.err;
            if (it->revents != 0 && !ReadAvailable(it->fd, into)) {
                it = open.erase(it);
            } else {
                ++it;
            }
        }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    if (WIFEXITED(status)) {
        result_.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.signal = WTERMSIG(status);
    }
    return result_;
}

AdminResult RunAdmin(const std::vector<std::string>& arguments, const AdminSetup& setup) {
    AdminProcess process(arguments, setup);
    return process.Finish();
}

}  // namespace tavix::testing
