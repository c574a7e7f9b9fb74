#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "terminal_charset.hpp"
#include "terminal_colours.hpp"

namespace tavix::console {

// The bytes that draw on a terminal, composed from the terminfo entry curses has loaded, and
// what the terminal is believed to show: the look in force, where its cursor stands, whether
// the cursor is visible and its shape. A frame is composed here and goes out in one write,
// and the belief lets it leave out whatever the terminal already has, so a key typed into a
// coloured field costs the character alone.
//
// The belief holds only while nothing else writes to the terminal. Curses writes when it
// takes the terminal over, gives it back and takes it again; after each, Forget makes the
// next frame set the look, the cursor's place and its visibility afresh. Curses's own
// attribute and cursor calls are never used while the terminal is held: they write part of
// their bytes through curses's buffer, which goes out at some later call, after the frame.
class TerminalOutput {
  public:
    // Reads the capabilities of the terminal curses has set up, and the character set of the
    // locale in force. Throws std::runtime_error when it cannot move its cursor to a given
    // place.
    void Load();
    void Forget();
    // Puts the terminal's own colours, attributes and cursor shape back, before curses
    // gives the terminal back: curses knows nothing of what the frames set.
    void PutBack();

    // How many colours the look can use (0 when it cannot set them), for LookOnTerminal.
    int ColourCount() const { return colour_count_; }

    // Clears the whole terminal and puts the cursor at the top left. What the cleared cells
    // show differs between terminals (their own default colours, or the current background
    // on some), so a frame after a clear writes every cell.
    void Clear(const TerminalLook& look);
    void MoveTo(int row, int column);
    void SetLook(const TerminalLook& look);
    // Writes one glyph at (row, column), moving the cursor there first unless it stands
    // there already.
    void WriteCell(int row, int column, char32_t glyph, const TerminalLook& look);
    // The bytes that show `glyph` without switching the character set, or nothing when it
    // needs the other set (lines in an 8-bit one).
    std::optional<std::string> BytesInPlace(char32_t glyph);
    // Writes bytes of BytesInPlace in the current look from where the cursor stands on its
    // row, ending at `column`: cells that already show them, written over rather than jumped.
    void WriteOver(const std::string& bytes, int column) {
        frame_ += bytes;
        cursor_column_ = column;
    }
    const TerminalCharset& Charset() const { return charset_; }
    // 0 hidden, 1 normal, 2 very visible.
    void ShowCursor(int visibility);
    // A block cursor, or the terminal's own shape, where the terminal can set it.
    void ShapeCursor(bool block);
    bool CanShapeCursor() const { return can_shape_cursor_; }

    // Where the cursor stands (0-based), or -1 when that is not known.
    int CursorRow() const { return cursor_row_; }
    int CursorColumn() const { return cursor_column_; }
    const std::optional<TerminalLook>& CurrentLook() const { return look_; }
    // The bytes that a move to (row, column) would cost.
    std::size_t MoveSize(int row, int column) const;

    // Sends the frame composed so far in one write.
    void Send();
    // Sends bytes that change neither the look nor the cursor (a window title) at once.
    static void SendAside(std::string_view bytes);

  private:
    void Emit(const char* capability);
    void ResetAttributes();
    void UseLineDrawing(bool on);
    LineDrawingSet TerminalLines() const;

    std::string frame_;
    int colour_count_ = 0;

    std::optional<TerminalLook> look_;
    // -1 when not known: before the first frame, and after the last column, where
    // terminals differ.
    int cursor_row_ = -1;
    int cursor_column_ = -1;
    int visibility_ = -1;
    bool block_cursor_ = false;
    // Whether the alternate character set is on; nothing when that is not known.
    std::optional<bool> line_drawing_;
    TerminalCharset charset_;

    const char* cursor_address_ = nullptr;
    const char* clear_ = nullptr;
    const char* reset_attributes_ = nullptr;
    const char* original_colours_ = nullptr;
    const char* bold_ = nullptr;
    const char* reverse_ = nullptr;
    const char* foreground_ = nullptr;
    const char* background_ = nullptr;
    const char* margins_off_ = nullptr;
    const char* margins_on_ = nullptr;
    const char* cursor_invisible_ = nullptr;
    const char* cursor_normal_ = nullptr;
    const char* cursor_very_visible_ = nullptr;
    const char* cursor_shape_ = nullptr;
    const char* line_drawing_on_ = nullptr;
    const char* line_drawing_off_ = nullptr;
    bool auto_margins_ = false;
    bool margin_glitch_ = false;
    bool can_shape_cursor_ = false;
};

}  // namespace tavix::console
