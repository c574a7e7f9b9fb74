#pragma once

#include <string>
#include <string_view>

namespace tavix::testing {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. Each test gets its own, so tests never see each other's files.
class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& Path() const { return path_; }
    // The path of name inside the folder (nothing is created).
    std::string File(std::string_view name) const;

  private:
    std::string path_;
};

}  // namespace tavix::testing
