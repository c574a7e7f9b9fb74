#pragma once

#include <optional>
#include <string>

#include "cell_grid.hpp"
#include "text_console.hpp"

namespace tavix::console {

// Saves the console's settings, and the cells of an area when given one, for as long as the
// scope lives, and puts them back on every way out, an exception included: the screen that
// drew over others leaves the console as it found it, however it ends.
//
// Putting back never throws. A part that cannot be put back (a console resized to something
// impossible, say) is skipped, and the others are still put back.
class SavedConsoleScope {
  public:
    explicit SavedConsoleScope(TextConsole& console);
    SavedConsoleScope(TextConsole& console, const Rect& area);
    ~SavedConsoleScope() { Restore(); }
    SavedConsoleScope(const SavedConsoleScope&) = delete;
    SavedConsoleScope& operator=(const SavedConsoleScope&) = delete;

    // Also keeps the console's size and all its cells as they are now, for a program that
    // gives the whole console back when it ends: the size comes back first, then the cells.
    void KeepWholeConsole();

    // Puts back, now, the size, the cells and then the settings; later calls and the end of
    // the scope do nothing more. For a program that must hand the console back before it ends
    // the process, when no scope ends.
    void Restore() noexcept;

  private:
    struct SavedSize {
        int columns;
        int rows;
    };
    struct SavedArea {
        Rect rect;
        std::string cells;
    };

    TextConsole& console_;
    std::string settings_;
    std::optional<SavedSize> size_;
    std::optional<SavedArea> area_;
    bool restored_ = false;
};

}  // namespace tavix::console
