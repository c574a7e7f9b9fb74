#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavix::bench {

// What a terminal of the xterm family would show after the bytes fed to it: the characters
// and the cursor, enough to tell when a program has finished drawing a screen. It follows
// the control sequences that ncurses sends for xterm-256color (cursor moves, erasures,
// insertions and deletions, repeats, scroll margins, insert mode, autowrap); colours,
// attributes, titles and modes other than the cursor's visibility are read and ignored.
class ScreenModel {
  public:
    ScreenModel(int columns, int rows);

    void Feed(std::string_view bytes);

    // Positions are (column, row) from (1, 1), as on the program's console.
    char32_t At(int x, int y) const;
    // The UTF-8 text of `length` cells from (x, y) on one row.
    std::string Text(int x, int y, int length) const;
    const std::string& Row(int y) const;
    bool Contains(std::string_view text) const;
    int CursorX() const { return x_ + 1; }
    int CursorY() const { return y_ + 1; }
    bool CursorVisible() const { return cursor_visible_; }

    // Every row, one per line, for messages.
    std::string Dump() const;

  private:
    enum class Parse { kGround, kEscape, kCsi, kString, kStringEscape, kCharset };

    void Ground(unsigned char byte);
    void Escape(unsigned char byte);
    void Csi(unsigned char byte);
    void DispatchCsi(char final);
    void SetPrivateModes(bool set);
    int Parameter(std::size_t index, int fallback) const;

    void Print(char32_t glyph);
    void LineFeed();
    void ReverseLineFeed();
    void ScrollUp(int top, int count);
    void ScrollDown(int top, int count);
    void MoveTo(int x, int y);
    void EraseInLine(int from, int to);
    char32_t& Cell(int x, int y) {
        row_changed_[static_cast<std::size_t>(y)] = true;
        return cells_[static_cast<std::size_t>(y * columns_ + x)];
    }
    void EraseRows(int from, int to);
    char32_t CellAt(int x, int y) const {
        return cells_[static_cast<std::size_t>(y * columns_ + x)];
    }

    int columns_;
    int rows_;
    std::vector<char32_t> cells_;
    // The text of each row, made again only after the row changed: a benchmark tests the
    // screen after every read, and the test must cost next to nothing.
    mutable std::vector<std::string> row_text_;
    mutable std::vector<bool> row_changed_;
    // 0-based; wrap_pending_ is the state after writing the last column, before the next
    // character moves to the next row.
    int x_ = 0;
    int y_ = 0;
    bool wrap_pending_ = false;
    int saved_x_ = 0;
    int saved_y_ = 0;
    int top_margin_ = 0;
    int bottom_margin_;
    bool insert_mode_ = false;
    bool cursor_visible_ = true;
    char32_t last_printed_ = U' ';

    Parse parse_ = Parse::kGround;
    std::string sequence_;  // a CSI's parameter and intermediate bytes
    char32_t utf8_glyph_ = 0;
    int utf8_remaining_ = 0;
};

}  // namespace tavix::bench
