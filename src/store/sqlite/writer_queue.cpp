#include "store/sqlite/writer_queue.hpp"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace tavix::store::sqlite {

namespace {

constexpr std::uint32_t kSlots = 1024;  // more writers waiting at once than any site has
constexpr off_t kFileSize = 8192;
// The bytes whose locks mark the tickets held, past the counters so as not to touch them.
constexpr off_t kMarksStart = off_t{1} << 20;
// How long a writer sleeps before it looks whether the ticket being served was abandoned: the
// next in line soon, the others rarely, as only a run of abandoned tickets needs them.
constexpr auto kNextInLinePatience = std::chrono::milliseconds(20);
constexpr auto kFurtherBackPatience = std::chrono::milliseconds(200);

using Word = std::atomic<std::uint32_t>;
static_assert(Word::is_always_lock_free, "the queue's counters are shared between processes");

std::uint32_t* FutexWord(Word& word) {
    return reinterpret_cast<std::uint32_t*>(&word);
}

// False when the wait ran out; a bell rung or a spurious wake-up both return true.
bool SleepUnlessRung(Word& bell, std::uint32_t seen, std::chrono::nanoseconds wait) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>((wait - seconds).count())};
    return ::syscall(SYS_futex, FutexWord(bell), FUTEX_WAIT, seen, &timeout, nullptr, 0) == 0 ||
           errno != ETIMEDOUT;
}

std::string Explained(const std::string& path, const char* failed) {
    return path + ": " + failed + ": " + std::strerror(errno);
}

// A shared store's folder is group-writable, and its files must stay so whatever the umask of
// the session that came first: the queue's file takes the database's mode and group.
int OpenQueueFile(const std::string& path, const struct stat& database, std::string& problem) {
    const mode_t mode = database.st_mode & 0666;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0) {
        ::fchmod(fd, mode);
        // Fails for a group this user is not in; the folder's group is kept then.
        [[maybe_unused]] const int changed = ::fchown(fd, static_cast<uid_t>(-1), database.st_gid);
        return fd;
    }
    if (errno == EEXIST) {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    }
    if (fd < 0) {
        problem = Explained(path, "cannot open");
    }
    return fd;
}

}  // namespace

struct SharedQueue {
    Word next_ticket;
    Word serving;
    Word bells[kSlots];  // one per ticket's slot, so that ending a turn wakes only the next
};
static_assert(sizeof(SharedQueue) <= kFileSize);

std::string WriterQueuePath(const std::string& database_path) {
    return database_path + "-writers";
}

WriterQueue::WriterQueue(const std::string& database_path) {
    const std::string path = WriterQueuePath(database_path);
    struct stat database {};
    if (::stat(database_path.c_str(), &database) != 0) {
        problem_ = Explained(database_path, "cannot stat");
        return;
    }
    fd_ = OpenQueueFile(path, database, problem_);
    if (fd_ < 0) {
        return;
    }
    // Growing a file a moment after another session grew it leaves its counters as they are.
    struct stat queue {};
    if (::fstat(fd_, &queue) != 0 || (queue.st_size < kFileSize && ::ftruncate(fd_, kFileSize))) {
        problem_ = Explained(path, "cannot size");
        return;
    }
    void* mapped = ::mmap(nullptr, kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (mapped == MAP_FAILED) {
        problem_ = Explained(path, "cannot map");
        return;
    }
    shared_ = static_cast<SharedQueue*>(mapped);
}

WriterQueue::~WriterQueue() {
    if (shared_ != nullptr) {
        EndTurn();
        ::munmap(shared_, kFileSize);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool WriterQueue::WaitForTurn(Clock::time_point deadline) {
    EndTurn();  // a ticket still held would stop the queue behind it
    const std::uint32_t ticket = shared_->next_ticket.fetch_add(1);
    ticket_ = ticket;
    MarkHeld(ticket, true);
    Word& bell = shared_->bells[ticket % kSlots];
    for (;;) {
        const std::uint32_t rung = bell.load();
        const std::uint32_t serving = shared_->serving.load();
        const auto ahead = static_cast<std::int32_t>(ticket - serving);
        if (ahead <= 0) {
            return true;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            EndTurn();
            return false;
        }
        const auto patience = ahead == 1 ? kNextInLinePatience : kFurtherBackPatience;
        if (!SleepUnlessRung(bell, rung, std::min<Clock::duration>(deadline - now, patience))) {
            PassOverAbandoned(serving);
        }
    }
}

void WriterQueue::EndTurn() noexcept {
    if (!ticket_) {
        return;
    }
    const std::uint32_t ticket = *ticket_;
    ticket_.reset();
    // A ticket passed over while its writer still wrote must not take the turn back.
    std::uint32_t expected = ticket;
    if (shared_->serving.compare_exchange_strong(expected, ticket + 1)) {
        Ring(ticket + 1);
    }
    MarkHeld(ticket, false);
}

// The ticket being served, and those after it up to this writer's, whose writers have died or
// given up (their marks are gone) are passed over in one step.
void WriterQueue::PassOverAbandoned(std::uint32_t serving) {
    std::uint32_t next = serving;
    while (next != *ticket_ && !IsMarked(next)) {
        ++next;
    }
    if (next != serving && shared_->serving.compare_exchange_strong(serving, next)) {
        Ring(next);
    }
}

bool WriterQueue::MarkHeld(std::uint32_t ticket, bool held) const {
    struct flock mark {};
    mark.l_type = held ? F_WRLCK : F_UNLCK;
    mark.l_whence = SEEK_SET;
    mark.l_start = kMarksStart + ticket % kSlots;
    mark.l_len = 1;
    // An open-file-description lock: it belongs to this queue's descriptor alone, so neither
    // another connection of this process nor SQLite's own locks on the database are touched.
    return ::fcntl(fd_, F_OFD_SETLK, &mark) == 0;
}

bool WriterQueue::IsMarked(std::uint32_t ticket) const {
    struct flock mark {};
    mark.l_type = F_WRLCK;
    mark.l_whence = SEEK_SET;
    mark.l_start = kMarksStart + ticket % kSlots;
    mark.l_len = 1;
    return ::fcntl(fd_, F_OFD_GETLK, &mark) != 0 || mark.l_type != F_UNLCK;
}

void WriterQueue::Ring(std::uint32_t ticket) const {
    Word& bell = shared_->bells[ticket % kSlots];
    bell.fetch_add(1);
    ::syscall(SYS_futex, FutexWord(bell), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

}  // namespace tavix::store::sqlite
