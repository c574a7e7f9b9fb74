#include "support/sqlite_process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace tavix::testing {

namespace {

constexpr std::string_view kDone = "tavix-test-done\n";

void WriteAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) {
            throw std::runtime_error("cannot write to the sqlite3 program");
        }
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace

SqliteProcess::SqliteProcess(const std::string& path) {
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make pipes for the sqlite3 program");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const char* argv[] = {"sqlite3", "-batch", path.c_str(), nullptr};
    const int result =
        posix_spawnp(&pid_, "sqlite3", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    to_child_ = input[1];
    from_child_ = output[0];
    if (result != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start the sqlite3 program");
    }
}

SqliteProcess::~SqliteProcess() {
    Quit();
    if (from_child_ >= 0) {
        ::close(from_child_);
    }
}

std::string SqliteProcess::Run(const std::string& sql) {
    WriteAll(to_child_,
             sql + "\nSELECT '" + std::string(kDone.substr(0, kDone.size() - 1)) + "';\n");
    std::string printed;
    char buffer[4096];
    while (printed.size() < kDone.size() ||
           printed.compare(printed.size() - kDone.size(), kDone.size(), kDone) != 0) {
        const ssize_t n = ::read(from_child_, buffer, sizeof buffer);
        if (n <= 0) {
            throw std::runtime_error("the sqlite3 program ended early; it printed: " + printed);
        }
        printed.append(buffer, static_cast<std::size_t>(n));
    }
    printed.resize(printed.size() - kDone.size());
    return printed;
}

bool SqliteProcess::Quit() {
    if (pid_ < 0) {
        return false;
    }
    ::close(to_child_);  // the end of its input ends the program
    to_child_ = -1;
    int status = 0;
    const pid_t ended = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return ended > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tavix::testing
