#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tavix::bench {

// Another program run by a benchmark (tavix-admin, the sqlite3 shell, psql), its error output
// to /dev/null.
struct ChildProgram {
    pid_t pid = -1;
    std::chrono::steady_clock::time_point start;
    std::string command;  // its name and first argument, for messages
};

// What a child's run cost, by the kernel's count.
struct ChildEnded {
    double seconds = 0;  // from its start to its end
    double peak_rss_mib = 0;
    double cpu_seconds = 0;  // its own, user and system
};

// Starts `arguments` (the program first, looked up on PATH) with its standard output to
// output_fd.
ChildProgram StartChild(const std::vector<std::string>& arguments, int output_fd);

// Waits for the child to end; nothing when it is still running and `block` is false. Throws
// when it did not end with status 0.
std::optional<ChildEnded> WaitForChild(const ChildProgram& child, bool block = true);

// Runs `arguments` to their end, the output to /dev/null.
ChildEnded RunChild(const std::vector<std::string>& arguments);

}  // namespace tavix::bench
