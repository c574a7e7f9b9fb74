#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "store/reading_keeper.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// A spool: a small SQLite file, shared by the sessions of one host, keeping the readings whose
// outcome on the server is unknown until a forwarder has resent them. Made whole at the first
// reading kept (never half made: another session may be making it at the same moment).
class SpoolFile final : public ReadingKeeper {
  public:
    explicit SpoolFile(std::string path) : path_(std::move(path)) {}

    const std::string& Name() const override { return path_; }
    // In a transaction of its own, committed with a full sync: durable when it returns.
    void Keep(const std::string& reading_key, const KeptReading& reading) override;

  private:
    void Attach();

    std::string path_;
    std::mutex mutex_;  // one keeper may serve the recordsets of several threads
    std::unique_ptr<Connection> connection_;
};

}  // namespace tavix::store::sqlite
