#pragma once

#include <string>

namespace tavix::testing {

// The bytes of a file; empty when it cannot be read.
std::string FileContent(const std::string& path);

// Makes or replaces a file holding exactly these bytes.
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace tavix::testing
