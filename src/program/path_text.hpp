#pragma once

#include <string>

// Building the database path from the executable's path. "/" separates folders.

namespace tavix::program {

// The folder part of path with its trailing "/", or "" when path holds no "/".
// Throws std::overflow_error for a path longer than 32767 characters: positions are 16-bit.
std::string FolderOf(const std::string& path);

// folder and name joined with one "/" (added only when folder does not end with one), with
// the spaces around the whole trimmed away. An empty folder gives "/" and name.
std::string JoinPath(const std::string& folder, const std::string& name);

// The file name in folder, joined as JoinPath does; empty when folder is empty. A program
// that could not learn its own folder has no file beside it, where JoinPath would name one
// at the filesystem's root.
std::string FileInFolder(const std::string& folder, const std::string& name);

}  // namespace tavix::program
