#pragma once

#include <string>

namespace tavix::admin {

// A file that appears at its path complete or not at all. It is written under a hidden name
// beside the path (same folder, so same filesystem), and only Commit() syncs it and renames it
// over the path, replacing what was there. Until then the path is untouched; the hidden file
// goes when the object does, and also when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends the
// process. It lands on `file`, the end of path's symbolic links (output_path.hpp), so that the
// links stay; a file replaced there keeps its mode, and its owner and group as far as this
// process may set them. A folder, a device or a pipe there is refused. Failures throw
// OutputError naming the path.
class ReplacingFile {
  public:
    ReplacingFile(std::string path, std::string file);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();

    // Where to write the content.
    int Fd() const { return fd_; }

    // Syncs the content, renames it to the path and syncs the folder, so that after a crash the
    // path holds either the old file or the whole new one.
    void Commit();

  private:
    void Discard() noexcept;

    std::string path_;          // as given, for messages
    std::string landing_path_;  // where the file goes, symbolic links followed
    std::string temporary_path_;
    int fd_ = -1;
};

}  // namespace tavix::admin
