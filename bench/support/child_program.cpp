#include "support/child_program.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace tavix::bench {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

ChildProgram StartChild(const std::vector<std::string>& arguments, int output_fd) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ChildProgram child{-1, Clock::now(), arguments.at(0) + " " + arguments.at(1)};
    child.pid = ::fork();
    if (child.pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child.pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(output_fd, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

std::optional<ChildEnded> WaitForChild(const ChildProgram& child, bool block) {
    int status = 0;
    rusage usage{};
    const pid_t done = ::wait4(child.pid, &status, block ? 0 : WNOHANG, &usage);
    if (done == 0) {
        return std::nullopt;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - child.start).count();
    if (done < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(child.command + " did not end well");
    }
    return ChildEnded{seconds, static_cast<double>(usage.ru_maxrss) / 1024,
                      Seconds(usage.ru_utime) + Seconds(usage.ru_stime)};
}

ChildEnded RunChild(const std::vector<std::string>& arguments) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const ChildProgram child = StartChild(arguments, null);
    ::close(null);
    return *WaitForChild(child);
}

}  // namespace tavix::bench
