#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavix::testing {

// A TCP proxy on 127.0.0.1 (an ephemeral port) to the throw-away server's Unix socket that,
// when armed, cuts the connection it is relaying once a given number of bytes have passed,
// counted both ways over every connection since it was armed: the byte that crosses the mark
// is passed on, and nothing after it. Unarmed, it passes everything on and counts, so that a
// test can learn how long an exchange is and where its messages end.
class ByteCutProxy {
  public:
    explicit ByteCutProxy(std::string server_socket);
    ByteCutProxy(const ByteCutProxy&) = delete;
    ByteCutProxy& operator=(const ByteCutProxy&) = delete;
    ~ByteCutProxy();

    int Port() const { return port_; }

    // Starts counting afresh; cuts at `bytes` when armed, never otherwise.
    void CutAfter(std::int64_t bytes);
    void PassEverything();

    // The bytes passed since counting started, and where each piece passed on ended: a piece
    // is what one side wrote at once, so its end is where a message (or a batch of them) ends.
    std::int64_t Passed() const { return passed_.load(); }
    std::vector<std::int64_t> PieceEnds() const;

  private:
    void Accept();
    void Relay(int client);
    // How much of count bytes may pass now; records the piece.
    std::int64_t Allow(std::int64_t count);

    std::string server_socket_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<std::int64_t> passed_{0};
    std::atomic<std::int64_t> cut_at_{-1};
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::int64_t> piece_ends_;
    std::thread acceptor_;
    std::vector<std::thread> relays_;
};

}  // namespace tavix::testing
