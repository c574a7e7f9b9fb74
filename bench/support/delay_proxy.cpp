#include "support/delay_proxy.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "support/postgres/server_socket.hpp"

namespace tavix::bench {

namespace {

using Clock = std::chrono::steady_clock;
using testing::ConnectToServerSocket;
using testing::ListenOnLoopback;
using testing::SendAll;

// How often an idle relay looks whether the proxy is stopping.
constexpr auto kIdleWait = std::chrono::milliseconds(50);

// One direction of a connection: what was read from one side, each piece due at the other side
// half a round trip after it was read.
class DelayedStream {
  public:
    DelayedStream(int to, Clock::duration delay) : to_(to), delay_(delay) {}

    void Add(std::string_view bytes) {
        pieces_.push_back({Clock::now() + delay_, std::string(bytes)});
    }

    // Sends every piece that is due; false when the other side is gone.
    bool SendDue() {
        while (!pieces_.empty() && pieces_.front().due <= Clock::now()) {
            if (!SendAll(to_, pieces_.front().bytes)) {
                return false;
            }
            pieces_.pop_front();
        }
        return true;
    }

    Clock::time_point NextDue() const {
        return pieces_.empty() ? Clock::time_point::max() : pieces_.front().due;
    }

  private:
    struct Piece {
        Clock::time_point due;
        std::string bytes;
    };
    int to_;
    Clock::duration delay_;
    std::deque<Piece> pieces_;
};

timespec Until(Clock::time_point due) {
    const auto wait =
        std::clamp<Clock::duration>(due - Clock::now(), Clock::duration::zero(), kIdleWait);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    return {static_cast<time_t>(nanoseconds / 1000000000),
            static_cast<long>(nanoseconds % 1000000000)};
}

}  // namespace

DelayProxy::DelayProxy(std::string server_socket, std::chrono::microseconds round_trip)
    : server_socket_(std::move(server_socket)), round_trip_(round_trip) {
    listener_ = ListenOnLoopback(port_, "the delay proxy");
    acceptor_ = std::thread([this] { Accept(); });
}

DelayProxy::~DelayProxy() {
    stopping_ = true;
    acceptor_.join();
    ::close(listener_);
    const std::lock_guard<std::mutex> lock(relays_mutex_);
    for (std::thread& relay : relays_) {
        relay.join();
    }
}

void DelayProxy::Accept() {
    while (!stopping_) {
        pollfd watched{listener_, POLLIN, 0};
        if (::poll(&watched, 1, static_cast<int>(kIdleWait.count())) <= 0) {
            continue;
        }
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        // As the server does on its own sockets: a piece goes out when it is due, not when the
        // client has acknowledged the one before.
        const int no_delay = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay);
        const std::lock_guard<std::mutex> lock(relays_mutex_);
        relays_.emplace_back([this, client] { Relay(client); });
    }
}

// Passes both ways, each piece half a round trip late, until either side ends or the proxy
// stops. ppoll, not poll: a round trip of 2 ms needs waits finer than a millisecond.
void DelayProxy::Relay(int client) {
    const int server = ConnectToServerSocket(server_socket_);
    const auto half = std::chrono::duration_cast<Clock::duration>(round_trip_) / 2;
    DelayedStream to_server(server, half);
    DelayedStream to_client(client, half);
    bool server_answered = true;
    bool open = server >= 0;
    char buffer[65536];
    while (open && !stopping_) {
        pollfd watched[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        const timespec wait = Until(std::min(to_server.NextDue(), to_client.NextDue()));
        if (::ppoll(watched, 2, &wait, nullptr) > 0) {
            if (watched[1].revents != 0) {
                const ssize_t count = ::recv(server, buffer, sizeof buffer, 0);
                open = count > 0;
                if (open) {
                    to_client.Add(std::string_view(buffer, static_cast<std::size_t>(count)));
                    server_answered = true;
                }
            }
            if (open && watched[0].revents != 0) {
                const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
                open = count > 0;
                if (open) {
                    to_server.Add(std::string_view(buffer, static_cast<std::size_t>(count)));
                    client_turns_ += std::exchange(server_answered, false) ? 1 : 0;
                }
            }
        }
        open = open && to_server.SendDue() && to_client.SendDue();
    }
    ::close(client);
    if (server >= 0) {
        ::close(server);
    }
}

std::string UriThrough(const DelayProxy& proxy, const std::string& database) {
    return "postgresql://postgres@127.0.0.1:" + std::to_string(proxy.Port()) + "/" + database +
           "?sslmode=disable&gssencmode=disable";
}

}  // namespace tavix::bench
