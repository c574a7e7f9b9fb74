#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/reading_keeper.hpp"

namespace tavix::store {

// Forwarding: readings stored in a local SQLite file reach a PostgreSQL server's readings
// table, each exactly once, and so do their later corrections and deletions.
//
// Two kinds of local file forward:
//   - a terminal's own readings file, prepared for forwarding: triggers on Readings record
//     every change (insert, update, delete) in an outbox in the same transaction, and each
//     reading has a key of its own from the moment it is stored;
//   - a spool: the readings a program storing straight into the server kept because their
//     outcome on the server was unknown (reading_keeper.hpp).
// The server records, per source file and in the same transaction as the changes, the last
// change it applied, so that a batch resent after an ambiguous commit is recognised and skipped.

// What one pass of forwarding did.
struct ForwardOutcome {
    std::int64_t forwarded = 0;  // changes the server holds now that it did not before
    std::int64_t set_aside = 0;  // changes the server refused for good, set aside in the file
    std::int64_t waiting = 0;    // changes still waiting in the file after the pass
    std::vector<std::string> set_aside_reasons;  // one line per change set aside, for the log
    // Why the pass stopped with changes still waiting (the server out of reach, the file
    // locked...); nothing when none waits.
    std::optional<std::string> failure;
};

// How a file is prepared on its first forwarding.
enum class History {
    kQueue,     // every reading already in the file is queued, so a terminal's history arrives
    kMarkSent,  // they reached the server before (tavix-admin copy): they are not forwarded,
                // and their later changes are not followed either
};

// Forwards one local file to one server, holding its connection between passes.
class Forwarder {
  public:
    // file: a readings file or a spool; uri: a PostgreSQL connection URI. Nothing is opened yet.
    Forwarder(std::string file, std::string uri, History history = History::kQueue);
    Forwarder(const Forwarder&) = delete;
    Forwarder& operator=(const Forwarder&) = delete;
    ~Forwarder();

    // Prepares a readings file on its first use (PrepareForwarding), then forwards what waits,
    // batch by batch in the order it was recorded, until nothing waits or something fails.
    // Never throws for a failure of the file or the server: the outcome says it. Connects to
    // the server only when something waits.
    ForwardOutcome ForwardPending();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Adds forwarding to a readings file unless it has it: the tables and triggers beside
// Readings (whose table, columns and index stay as they are), and the file's own source key.
// Throws StoreError when the file cannot be written, saying how to prepare it
// (tavix-admin forward).
void PrepareForwarding(const std::string& file, History history);

// What waits in a local file, for tavix-admin stats and check.
struct QueueState {
    bool spool = false;                 // a spool rather than a terminal's readings file
    std::string source;                 // the file's source key on the server
    std::int64_t waiting = 0;           // changes (or kept readings) not yet forwarded
    std::optional<std::string> oldest;  // when the oldest of them was recorded (local time)
    std::int64_t set_aside = 0;         // changes the server refused for good
    std::vector<std::string> problems;  // what is wrong with the forwarding tables
};

// Nothing when the file has no forwarding tables (never forwarded, not a spool). Throws
// StoreError when the file cannot be read.
std::optional<QueueState> ReadQueueState(const std::string& file);

// The spool at path as a keeper of readings of unknown outcome: created, with its folder, at
// the first reading kept (readable and writable by the group, for the sessions of one host).
std::shared_ptr<ReadingKeeper> OpenSpool(const std::string& path);

// Adds what forwarding needs to a server's readings table made before it had it (the columns
// source and source_id, the table tavix_forwarding); nothing when it has them. Returns what it
// added, one line each. Throws StoreError naming the server.
std::vector<std::string> UpgradeReadingsTable(const std::string& uri);

}  // namespace tavix::store
