#pragma once

#include <string>
#include <vector>

namespace tavix::store::postgres {

// One of the servers a target names, as libpq's host, hostaddr and port settings that name it
// alone; an empty setting is left as the target has it.
struct TargetHost {
    std::string host;
    std::string hostaddr;
    std::string port;
};

// The servers of a target that lists several ("postgresql://db1,db2/tavix",
// "host=/run/a,/run/b port=5432,5433"), or of PGHOST, PGHOSTADDR and PGPORT when the target
// names none, in their order. Empty when it names one server, or a list that cannot be taken
// apart server by server (an empty entry, which means libpq's default; lists of different
// lengths, which libpq refuses itself): such a target is connected as it is.
std::vector<TargetHost> HostsOf(const std::string& target);

}  // namespace tavix::store::postgres
