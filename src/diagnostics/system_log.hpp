#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tavix::diagnostics {

// The socket the system log listens on, where syslog(3) sends too.
inline constexpr const char* kSystemLogSocket = "/dev/log";

// One record of the system log as syslog(3) writes it, under the identifier "tavix" with the
// process, at the priority of an error of a user program:
// "<11>Dec  7 13:31:16 tavix[4711]: text". The month is always in English, whatever the locale.
std::string SystemLogRecord(std::time_t when, int pid, std::string_view text);

// Sends the text as one record to the system log listening on socket_path, without waiting:
// a system log that is missing, stopped or full drops the record rather than hold the program
// up (syslog(3) would wait for a full one). True when the system log took it.
bool SendToSystemLog(std::string_view text, const std::string& socket_path);

}  // namespace tavix::diagnostics
