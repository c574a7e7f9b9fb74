#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/terminal_colours.hpp"

namespace tavix::console {

// What a terminal of the ANSI family (xterm, tmux, screen) shows after the bytes fed to it,
// colours included: the cells' characters, colours and attributes, by the rules such a
// terminal follows. A colour the bytes never set is the terminal's own default, which no
// look of the console stands for. Erasing fills with the current background colour only
// where the terminal says it does (`erases_in_colour`, terminfo's bce); elsewhere it leaves
// the default colours.
class AnsiScreen {
  public:
    static constexpr int kDefaultColour = -3;

    struct Cell {
        char32_t glyph = U' ';
        TerminalLook look{kDefaultColour, kDefaultColour, false, false};
    };

    AnsiScreen(int columns, int rows, bool erases_in_colour);

    void Feed(std::string_view bytes);
    // Paints every cell with `glyph` in the default colours, as if something else had drawn
    // over the screen.
    void Scribble(char32_t glyph);

    // (column, row) from (1, 1).
    const Cell& At(int x, int y) const;

  private:
    void Ground(unsigned char byte);
    void Escape(unsigned char byte);
    void Dispatch(char final);
    std::vector<int> Parameters() const;
    void SelectGraphicRendition();
    void Print(char32_t glyph);
    void Erase(int from_x, int from_y, int to_x, int to_y);
    Cell& CellAt(int x, int y) { return cells_[static_cast<std::size_t>(y * columns_ + x)]; }

    enum class Parse { kGround, kEscape, kCsi, kString, kStringEscape, kCharset };

    int columns_;
    int rows_;
    bool erases_in_colour_;
    std::vector<Cell> cells_;
    // 0-based; after the last column the next glyph goes to the next row, if autowrap is on.
    int x_ = 0;
    int y_ = 0;
    bool wrap_pending_ = false;
    bool autowrap_ = true;
    TerminalLook look_{kDefaultColour, kDefaultColour, false, false};

    Parse parse_ = Parse::kGround;
    std::string sequence_;
    char32_t utf8_glyph_ = 0;
    int utf8_remaining_ = 0;
};

}  // namespace tavix::console
