#include "byte_cut_proxy.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tavix::testing {

namespace {

constexpr int kPollMilliseconds = 20;

bool SendAll(int fd, const char* bytes, std::int64_t count) {
    while (count > 0) {
        const ssize_t sent = ::send(fd, bytes, static_cast<std::size_t>(count), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        count -= sent;
    }
    return true;
}

int ConnectToServer(const std::string& socket_path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

}  // namespace

ByteCutProxy::ByteCutProxy(std::string server_socket) : server_socket_(std::move(server_socket)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("the proxy cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

ByteCutProxy::~ByteCutProxy() {
    stopping_ = true;
    acceptor_.join();
    ::close(listener_);
    const std::lock_guard<std::mutex> lock(mutex_);
    for (std::thread& relay : relays_) {
        relay.join();
    }
}

void ByteCutProxy::CutAfter(std::int64_t bytes) {
    const std::lock_guard<std::mutex> lock(mutex_);
    passed_ = 0;
    piece_ends_.clear();
    cut_at_ = bytes;
}

void ByteCutProxy::PassEverything() {
    CutAfter(-1);
}

std::vector<std::int64_t> ByteCutProxy::PieceEnds() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return piece_ends_;
}

std::int64_t ByteCutProxy::Allow(std::int64_t count) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::int64_t before = passed_.load();
    const std::int64_t cut_at = cut_at_.load();
    const std::int64_t allowed =
        cut_at < 0 ? count : std::clamp<std::int64_t>(cut_at - before, 0, count);
    passed_ = before + allowed;
    if (allowed > 0) {
        piece_ends_.push_back(before + allowed);
    }
    return allowed;
}

void ByteCutProxy::Accept() {
    while (!stopping_) {
        pollfd watched{listener_, POLLIN, 0};
        if (::poll(&watched, 1, kPollMilliseconds) <= 0) {
            continue;
        }
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            const std::lock_guard<std::mutex> lock(mutex_);
            relays_.emplace_back([this, client] { Relay(client); });
        }
    }
}

// Passes both ways until either side ends, the proxy stops or the cut falls.
void ByteCutProxy::Relay(int client) {
    const int server = ConnectToServer(server_socket_);
    bool open = server >= 0;
    char buffer[16384];
    while (open && !stopping_) {
        pollfd watched[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(watched, 2, kPollMilliseconds) <= 0) {
            continue;
        }
        for (int side = 0; side < 2 && open; ++side) {
            if (watched[side].revents == 0) {
                continue;
            }
            const int from = watched[side].fd;
            const int to = side == 0 ? server : client;
            const ssize_t count = ::recv(from, buffer, sizeof buffer, 0);
            const std::int64_t allowed = count > 0 ? Allow(count) : 0;
            open = count > 0 && SendAll(to, buffer, allowed) && allowed == count;
        }
    }
    ::close(client);
    if (server >= 0) {
        ::close(server);
    }
}

}  // namespace tavix::testing
