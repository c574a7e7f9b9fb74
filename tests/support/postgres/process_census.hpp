#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tavix::testing {

// The processes whose working folder is folder or inside it, from /proc. Every process of a
// PostgreSQL server works in its data folder, so this finds a server's leftovers by where they
// ran, whoever their parent is now.
std::vector<pid_t> ProcessesWorkingIn(const std::string& folder);

// True while a process with this id exists (a zombie counts as ended).
bool ProcessExists(pid_t process);

}  // namespace tavix::testing
