#pragma once

#include <functional>
#include <memory>
#include <string>

#include "console/cell_grid.hpp"
#include "console/key_codes.hpp"

namespace tavix::bench {

// The program's screens without a terminal: the shared state as start-up leaves it (the
// readings file open, the console 24 x 20 with the outer frame and the colour scheme) on a
// terminal that takes every key from `keys` and keeps the last frame it was shown. The
// screens themselves (archive::ArchiveBrowser, acquisition::ShowReadingsList, ...) are
// called by the benchmark. Everything is put back when it goes.
class HeadlessScreens {
  public:
    using KeySource = std::function<console::KeyCode()>;

    HeadlessScreens(const std::string& readings_file, KeySource keys);
    ~HeadlessScreens();
    HeadlessScreens(const HeadlessScreens&) = delete;
    HeadlessScreens& operator=(const HeadlessScreens&) = delete;

    // The frame shown when the screens last waited for a key.
    const console::CellGrid& Shown() const;
    bool Shows(const std::string& text) const;

  private:
    class Terminal;
    std::unique_ptr<Terminal> terminal_;
};

}  // namespace tavix::bench
