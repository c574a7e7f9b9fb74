#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tavix::testing {

// Where a cut falls, for the reading the client is storing.
enum class Cut {
    kBeforeCommit,        // the client's request to commit never reaches the server
    kAfterCommit,         // the request reaches the server, its answer never reaches the client
    kAfterCommitAndNext,  // and the next connection made is cut at its first statement too
    kHold,  // the request and all traffic on every connection held up for a while, then passed
};

// A small TCP proxy between a PostgreSQL client and the throw-away server's Unix socket,
// listening on 127.0.0.1 only (an ephemeral port), that cuts a connection at the commit of a
// new reading when armed: it reads the client's messages of the protocol and drops both sides
// of the connection at the Sync that ends an INSERT (the message that commits a statement sent
// on its own), before or after passing it on. Disarmed, it passes everything on.
//
// The client must not ask for encryption (sslmode=disable, gssencmode=disable), so that the
// stream can be read.
class CommitCutProxy {
  public:
    // Forwards to the server's socket file (".../.s.PGSQL.5432").
    explicit CommitCutProxy(std::string server_socket);
    CommitCutProxy(const CommitCutProxy&) = delete;
    CommitCutProxy& operator=(const CommitCutProxy&) = delete;
    ~CommitCutProxy();

    int Port() const { return port_; }

    // The next commit of an INSERT, on any connection, is cut so (held up for hold).
    void Arm(Cut cut, std::chrono::milliseconds hold = {});
    // True while the armed cut has not fallen yet.
    bool Armed() const { return armed_.load(); }

    // Counts the bytes passed both ways over every connection afresh, and cuts the connection
    // that passes the byte number `bytes` right after it (never, for a negative number). The
    // count, and where each message or piece the server wrote at once ended, tell a test how
    // long an exchange is and where it may be cut.
    void CutAfterBytes(std::int64_t bytes);
    std::int64_t BytesPassed() const;
    std::vector<std::int64_t> PieceEnds() const;

    // The client's turns since the last call, over every connection: each time it sends after
    // the server has answered (or first), which is what a network's delay is paid for.
    std::int64_t TakeClientTurns() { return client_turns_.exchange(0); }

  private:
    void Accept();
    void Relay(int client);
    // Sends what the byte count lets pass; false when it stopped short or the send failed.
    bool Pass(int to, std::string_view bytes);

    std::string server_socket_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> armed_{false};
    std::atomic<Cut> cut_{Cut::kBeforeCommit};
    std::chrono::milliseconds hold_{};
    std::atomic<bool> cut_next_connection_{false};
    std::atomic<std::chrono::steady_clock::time_point> held_until_{};
    std::atomic<bool> stopping_{false};
    std::atomic<std::int64_t> client_turns_{0};
    std::thread acceptor_;
    mutable std::mutex relays_mutex_;  // also guards the byte count
    std::int64_t bytes_passed_ = 0;
    std::int64_t cut_after_bytes_ = -1;
    std::vector<std::int64_t> piece_ends_;
    std::vector<std::thread> relays_;
};

}  // namespace tavix::testing
