#include "diagnostics/system_log.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace tavix::diagnostics {

namespace {

// The facility of user programs (1), the severity of an error (3).
constexpr int kPriority = 1 * 8 + 3;

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Closes the socket on every way out.
class Socket {
  public:
    Socket() : fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::string SystemLogRecord(std::time_t when, int pid, std::string_view text) {
    std::tm local{};
    localtime_r(&when, &local);
    std::array<char, 48> header{};
    std::snprintf(header.data(), header.size(), "<%d>%s %2d %02d:%02d:%02d tavix[%d]: ", kPriority,
                  kMonths.at(static_cast<std::size_t>(local.tm_mon)), local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, pid);
    return header.data() + std::string(text);
}

bool SendToSystemLog(std::string_view text, const std::string& socket_path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket_path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
    const Socket socket;
    if (socket.fd() < 0) {
        return false;
    }
    const std::string record = SystemLogRecord(std::time(nullptr), ::getpid(), text);
    const ssize_t sent =
        ::sendto(socket.fd(), record.data(), record.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    return sent == static_cast<ssize_t>(record.size());
}

}  // namespace tavix::diagnostics
