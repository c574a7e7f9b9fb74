#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavix::diagnostics {

// Appends the line to the file, creating the file when it is missing. The file is opened for
// each line, so a log moved away by a rotation is followed, and written in one append, so the
// lines of several programs sharing a log never mix. Never waits for a reader (a named pipe
// nobody reads is a failure) and never writes to a terminal. Nothing when written, else why not.
std::optional<std::string> AppendToFile(const std::string& path, std::string_view line);

}  // namespace tavix::diagnostics
