#pragma once

#include <memory>
#include <string>

#include "store/forwarding/change_queue.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// The changes waiting in a local file: a readings file's outbox, each change read as the
// reading is held now (kPut, or kRemove once it is gone), or a spool's kept readings (kAdd).
// The file's writers, the operator's program first, wait only for the short write
// transactions that drop what was forwarded; reading the queue never stops them.
class FileChangeQueue final : public forwarding::ChangeQueue {
  public:
    enum class Kind { kOutbox, kSpool };

    // connection: the file, open, with its forwarding tables (see OpenChangeQueue). Throws
    // StoreError when its source key cannot be read.
    FileChangeQueue(std::unique_ptr<Connection> connection, Kind kind);

    const std::string& Name() const override { return connection_->Path(); }
    const std::string& Source() const override { return source_; }
    const std::string& Origin() const override { return origin_; }
    std::int64_t LastSequence() override;
    forwarding::Batch Next(std::int64_t after, std::size_t at_most) override;
    void Acknowledge(std::int64_t through) override;
    void SetAside(const forwarding::Change& change, const std::string& reason) override;
    std::int64_t Waiting() override;

  private:
    bool HoldsAnyThrough(std::int64_t through);

    // Never opened again under the same path: another file there has another source key.
    std::unique_ptr<Connection> connection_;
    Kind kind_;
    std::string table_;  // the outbox or the spool
    std::string source_;
    std::string origin_;
};

}  // namespace tavix::store::sqlite
