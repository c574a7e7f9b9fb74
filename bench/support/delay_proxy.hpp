#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavix::bench {

// A network of the given round trip between a client and a PostgreSQL server that listens on a
// Unix socket: it listens on 127.0.0.1 (an ephemeral port) and relays every connection to the
// server's socket, holding each direction's bytes back for half the round trip, so that a
// question and its answer cost the round trip as across a real link. Bytes are never merged or
// reordered, only delayed.
class DelayProxy {
  public:
    DelayProxy(std::string server_socket, std::chrono::microseconds round_trip);
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;
    ~DelayProxy();

    int Port() const { return port_; }
    std::chrono::microseconds RoundTrip() const { return round_trip_; }

    // The client's turns since the last call, over every connection: each time it sends after
    // the server has answered, it has waited for a round trip.
    std::int64_t TakeClientTurns() { return client_turns_.exchange(0); }

  private:
    void Accept();
    void Relay(int client);

    std::string server_socket_;
    std::chrono::microseconds round_trip_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::int64_t> client_turns_{0};
    std::thread acceptor_;
    std::mutex relays_mutex_;
    std::vector<std::thread> relays_;
};

// The URI of database on the benchmarks' server (bench_postgres) through proxy: TCP, in clear.
std::string UriThrough(const DelayProxy& proxy, const std::string& database);

}  // namespace tavix::bench
