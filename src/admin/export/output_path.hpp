#pragma once

#include <optional>
#include <string>

namespace tavix::admin {

// Where `--output PATH` leads, its symbolic links followed one at a time.
struct OutputPath {
    // Set when the path names one of this process's own descriptors (/dev/stdout, /dev/stderr,
    // /dev/fd/N, /proc/self/fd/N, or a link to one of them). The export then goes into the
    // descriptor as it is, where the shell's `>` or `>>` put it: replacing the file behind it
    // would undo an append and swap a terminal or a pipe for a plain file.
    std::optional<int> descriptor;
    // Otherwise the file to replace: the end of the chain of links, which need not exist yet.
    std::string file;
};

// Throws OutputError when the links loop or run longer than the system follows.
OutputPath ResolveOutputPath(const std::string& path);

}  // namespace tavix::admin
