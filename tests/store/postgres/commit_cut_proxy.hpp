#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
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

  private:
    void Accept();
    void Relay(int client);

    std::string server_socket_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> armed_{false};
    std::atomic<Cut> cut_{Cut::kBeforeCommit};
    std::chrono::milliseconds hold_{};
    std::atomic<bool> cut_next_connection_{false};
    std::atomic<std::chrono::steady_clock::time_point> held_until_{};
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex relays_mutex_;
    std::vector<std::thread> relays_;
};

}  // namespace tavix::testing
