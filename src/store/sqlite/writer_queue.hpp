#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tavix::store::sqlite {

struct SharedQueue;

// Sessions writing into one file take their turns in the order they asked. SQLite alone lets a
// waiting writer sleep and retry while the writer that has just committed takes the lock again
// at once, so with many sessions one stores nearly everything and others wait until they fail.
//
// The queue is a ticket counter in a small file beside the database ("<file>-writers", mapped
// into each session's memory): a writer draws a ticket and sleeps until the ticket being served
// is its own. Every ticket drawn is marked by a lock on a byte of that file for as long as its
// writer waits or writes; the kernel drops the lock when the writer's process ends, so a
// ticket whose writer died or gave up is seen and passed over. The queue only orders writers:
// SQLite's own lock still keeps writes apart, so other programs that do not queue (and a ticket
// passed over too early) cost fairness, never a write. Readers never queue.
class WriterQueue {
  public:
    using Clock = std::chrono::steady_clock;

    // The queue of the database at database_path, its file created with the database's mode and
    // group when missing. When that file cannot be opened or created (a read-only folder), the
    // queue is unusable and Problem says why: writers then wait as SQLite alone has them.
    explicit WriterQueue(const std::string& database_path);
    WriterQueue(const WriterQueue&) = delete;
    WriterQueue& operator=(const WriterQueue&) = delete;
    ~WriterQueue();

    bool Usable() const { return shared_ != nullptr; }
    const std::string& Problem() const { return problem_; }

    // Waits for this writer's turn until deadline at most. False when the deadline came first:
    // the writer has then left the queue.
    bool WaitForTurn(Clock::time_point deadline);
    // Hands the turn to the next ticket; nothing when this writer holds none.
    void EndTurn() noexcept;

  private:
    void PassOverAbandoned(std::uint32_t serving);
    bool MarkHeld(std::uint32_t ticket, bool held) const;
    bool IsMarked(std::uint32_t ticket) const;
    void Ring(std::uint32_t ticket) const;

    int fd_ = -1;
    SharedQueue* shared_ = nullptr;
    std::string problem_;
    std::optional<std::uint32_t> ticket_;
};

// The queue's file beside the database at database_path.
std::string WriterQueuePath(const std::string& database_path);

}  // namespace tavix::store::sqlite
