#pragma once

#include <stdexcept>
#include <string>

namespace tavix::admin {

// A failure to write the export; the message names the file or standard output.
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Bytes on their way to a file descriptor, written in large blocks. Writers append to
// Buffer() and call RowDone() after each row.
class Output {
  public:
    // name is what messages call the destination ("standard output", a file's path).
    Output(int fd, std::string name);
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    std::string& Buffer() { return buffer_; }
    void RowDone() {
        if (buffer_.size() >= kBlockSize) {
            Flush();
        }
    }
    // Writes out everything buffered; throws OutputError when the system refuses.
    void Flush();

  private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    int fd_;
    std::string name_;
    std::string buffer_;
};

// Throws OutputError "cannot <action> <name>: <the system's reason for errno>".
[[noreturn]] void FailOutput(std::string_view action, const std::string& name);

}  // namespace tavix::admin
