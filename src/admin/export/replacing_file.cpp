#include "replacing_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>

#include "output.hpp"

namespace tavix::admin {

namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The hidden file a signal handler removes; a fixed array, since a handler may not allocate.
char g_temporary_path[4096];

void RemoveTemporaryAndDie(int signal_number) {
    if (g_temporary_path[0] != '\0') {
        ::unlink(g_temporary_path);
    }
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void RemoveOnSignals(const std::string& path) {
    if (path.size() >= sizeof g_temporary_path) {
        return;
    }
    std::memcpy(g_temporary_path, path.c_str(), path.size() + 1);
    for (const int signal_number : kCleanupSignals) {
        struct sigaction action {};
        action.sa_handler = RemoveTemporaryAndDie;
        sigemptyset(&action.sa_mask);
        for (const int blocked : kCleanupSignals) {
            sigaddset(&action.sa_mask, blocked);
        }
        ::sigaction(signal_number, &action, nullptr);
    }
}

void ForgetOnSignals() {
    for (const int signal_number : kCleanupSignals) {
        std::signal(signal_number, SIG_DFL);
    }
    g_temporary_path[0] = '\0';
}

// Holds the cleanup signals back while it lives; they arrive when it goes.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal_number : kCleanupSignals) {
            sigaddset(&held, signal_number);
        }
        ::sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }

  private:
    sigset_t previous_;
};

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A file that replaces another takes over its owner and group where this process may set them
// (root may set both, an owner a group of its own), then its mode, which a change of owner may
// have cut. A new file gets the mode any new file gets. False, with errno, when the mode
// cannot be set.
bool TakeOverOwnerAndMode(int fd, const std::optional<struct stat>& replaced) {
    if (!replaced) {
        return ::fchmod(fd, NewFileMode()) == 0;
    }
    if (::fchown(fd, replaced->st_uid, replaced->st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), replaced->st_gid) != 0) {
        // Neither is allowed: the file stays this process's, as a new one would.
    }
    return ::fchmod(fd, replaced->st_mode & 07777) == 0;
}

std::string FolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

void SyncFolder(const std::string& folder, const std::string& path) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        FailOutput("open the folder of", path);
    }
    const int result = ::fsync(fd);
    const int saved = errno;
    ::close(fd);
    // Some filesystems cannot sync a folder; the rename is then as durable as they make it.
    if (result != 0 && saved != EINVAL && saved != EROFS) {
        errno = saved;
        FailOutput("sync the folder of", path);
    }
}

// What is at the landing path now, if anything. Only a regular file can be replaced by
// renaming: a device, a pipe or a folder would be swapped for a plain file (as root even
// /dev/null), so those are refused.
std::optional<struct stat> FileToReplace(const std::string& landing, const std::string& path) {
    struct stat status {};
    if (::stat(landing.c_str(), &status) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        const char* kind = S_ISDIR(status.st_mode) ? "a folder" : "a device, a pipe or a socket";
        throw OutputError("cannot write " + path + ": it is " + kind +
                          ", not a regular file (send standard output there instead)");
    }
    return status;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path, std::string file)
    : path_(std::move(path)), landing_path_(std::move(file)) {
    const std::optional<struct stat> replaced = FileToReplace(landing_path_, path_);
    std::string hidden_name(1, '.');
    hidden_name.append(std::filesystem::path(landing_path_).filename().string());
    hidden_name.append(".part-XXXXXX");
    std::string pattern = (std::filesystem::path(FolderOf(landing_path_)) / hidden_name).string();
    // A signal between the creation and the handlers would leave the hidden file behind.
    const SignalsHeld held;
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        // Through a link, the folder that is missing or locked is the target's.
        FailOutput("create", landing_path_ == path_
                                 ? path_
                                 : landing_path_ + " (where the link " + path_ + " leads)");
    }
    temporary_path_ = pattern;
    RemoveOnSignals(temporary_path_);
    if (!TakeOverOwnerAndMode(fd_, replaced)) {
        const int saved = errno;
        Discard();
        errno = saved;
        FailOutput("create", path_);
    }
}

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Commit() {
    if (::fsync(fd_) != 0) {
        FailOutput("write to", path_);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        FailOutput("write to", path_);
    }
    if (::rename(temporary_path_.c_str(), landing_path_.c_str()) != 0) {
        FailOutput("replace", path_);
    }
    temporary_path_.clear();
    ForgetOnSignals();
    SyncFolder(FolderOf(landing_path_), path_);
}

void ReplacingFile::Discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_path_.empty()) {
        ::unlink(temporary_path_.c_str());
        temporary_path_.clear();
        ForgetOnSignals();
    }
}

}  // namespace tavix::admin
