#include "commit_cut_proxy.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

#include "support/postgres/server_socket.hpp"

namespace tavix::testing {

namespace {

constexpr int kPollMilliseconds = 50;

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// The client's side of the stream, message by message: the first message has no type byte
// (the startup packet), every later one is a type byte and a length that counts itself.
class ClientMessages {
  public:
    void Add(const char* bytes, std::size_t count) { pending_.append(bytes, count); }

    // The next whole message, or "" when it has not all come yet.
    std::string Next() {
        const std::size_t header = started_ ? 5 : 4;
        if (pending_.size() < header) {
            return "";
        }
        const std::size_t length = BigEndian32(pending_, started_ ? 1 : 0) + (started_ ? 1 : 0);
        if (pending_.size() < length) {
            return "";
        }
        std::string message = pending_.substr(0, length);
        pending_.erase(0, length);
        started_ = true;
        return message;
    }

    static char Type(const std::string& message) { return message[0]; }

  private:
    std::string pending_;
    bool started_ = false;
};

}  // namespace

CommitCutProxy::CommitCutProxy(std::string server_socket)
    : server_socket_(std::move(server_socket)) {
    listener_ = ListenOnLoopback(port_, "the proxy");
    acceptor_ = std::thread([this] { Accept(); });
}

CommitCutProxy::~CommitCutProxy() {
    stopping_ = true;
    acceptor_.join();
    ::close(listener_);
    const std::lock_guard<std::mutex> lock(relays_mutex_);
    for (std::thread& relay : relays_) {
        relay.join();
    }
}

void CommitCutProxy::Arm(Cut cut, std::chrono::milliseconds hold) {
    cut_ = cut;
    hold_ = hold;
    armed_ = true;
}

void CommitCutProxy::CutAfterBytes(std::int64_t bytes) {
    const std::lock_guard<std::mutex> lock(relays_mutex_);
    bytes_passed_ = 0;
    piece_ends_.clear();
    cut_after_bytes_ = bytes;
}

std::int64_t CommitCutProxy::BytesPassed() const {
    const std::lock_guard<std::mutex> lock(relays_mutex_);
    return bytes_passed_;
}

std::vector<std::int64_t> CommitCutProxy::PieceEnds() const {
    const std::lock_guard<std::mutex> lock(relays_mutex_);
    return piece_ends_;
}

bool CommitCutProxy::Pass(int to, std::string_view bytes) {
    std::size_t allowed = bytes.size();
    {
        const std::lock_guard<std::mutex> lock(relays_mutex_);
        if (cut_after_bytes_ >= 0) {
            allowed = static_cast<std::size_t>(std::clamp<std::int64_t>(
                cut_after_bytes_ - bytes_passed_, 0, static_cast<std::int64_t>(bytes.size())));
        }
        bytes_passed_ += static_cast<std::int64_t>(allowed);
        if (allowed > 0) {
            piece_ends_.push_back(bytes_passed_);
        }
    }
    return SendAll(to, bytes.substr(0, allowed)) && allowed == bytes.size();
}

void CommitCutProxy::Accept() {
    while (!stopping_) {
        if (std::chrono::steady_clock::now() < held_until_.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
            continue;  // a new connection waits, as across a link that is down
        }
        pollfd watched{listener_, POLLIN, 0};
        if (::poll(&watched, 1, kPollMilliseconds) <= 0) {
            continue;
        }
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const std::lock_guard<std::mutex> lock(relays_mutex_);
        relays_.emplace_back([this, client] { Relay(client); });
    }
}

// Passes both ways until either side ends, the proxy stops, or the armed cut falls here.
void CommitCutProxy::Relay(int client) {
    const int server = ConnectToServerSocket(server_socket_);
    ClientMessages from_client;
    bool batch_inserts = false;  // the messages since the last Sync parse an INSERT
    bool open = server >= 0;
    bool cut_first_statement = cut_next_connection_.exchange(false);
    bool server_answered = true;
    char buffer[16384];
    while (open && !stopping_) {
        pollfd watched[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(watched, 2, kPollMilliseconds) <= 0) {
            continue;
        }
        if (watched[1].revents != 0) {
            const ssize_t count = ::recv(server, buffer, sizeof buffer, 0);
            open = count > 0 && Pass(client, std::string_view(buffer, count));
            server_answered = true;
        }
        if (open && watched[0].revents != 0) {
            const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
            open = count > 0;
            if (open) {
                from_client.Add(buffer, static_cast<std::size_t>(count));
                client_turns_ += std::exchange(server_answered, false) ? 1 : 0;
            }
            for (std::string message = from_client.Next(); open && !message.empty();
                 message = from_client.Next()) {
                const char type = ClientMessages::Type(message);
                if (type == 'P' && message.find("INSERT") != std::string::npos) {
                    batch_inserts = true;
                }
                bool cut_here = type == 'S' && batch_inserts && armed_.exchange(false);
                if (type == 'S') {
                    batch_inserts = false;
                }
                if ((cut_here && cut_.load() == Cut::kBeforeCommit) ||
                    (type == 'S' && std::exchange(cut_first_statement, false))) {
                    open = false;
                    break;
                }
                if (cut_here && cut_.load() == Cut::kHold) {
                    held_until_ = std::chrono::steady_clock::now() + hold_;
                    std::this_thread::sleep_until(held_until_.load());  // the link is down
                    cut_here = false;
                }
                open = Pass(server, message);
                if (cut_here && cut_.load() == Cut::kAfterCommitAndNext) {
                    cut_next_connection_ = true;
                }
                if (cut_here) {
                    open = false;  // after passing the commit on: its answer is lost
                }
            }
        }
    }
    ::close(client);
    if (server >= 0) {
        ::close(server);
    }
}

}  // namespace tavix::testing
