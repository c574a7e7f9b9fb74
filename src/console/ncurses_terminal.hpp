#pragma once

#include <array>
#include <optional>
#include <string>

#include "cell_grid.hpp"
#include "terminal.hpp"
#include "terminal_input.hpp"

// ncurses's SCREEN, named here so that no other file needs curses.h.
struct screen;

namespace tavix::console {

// The real terminal, drawn with ncurses on standard output. Keys are read from standard
// input and decoded by the console itself rather than by ncurses, so that every terminal
// type gives the same codes.
//
// Only one may be attached at a time: ncurses and the signal handlers are process-wide.
class NcursesTerminal : public Terminal {
  public:
    NcursesTerminal();
    ~NcursesTerminal() override;
    NcursesTerminal(const NcursesTerminal&) = delete;
    NcursesTerminal& operator=(const NcursesTerminal&) = delete;

    // Throws std::runtime_error when the terminal cannot be used (unknown TERM, ...).
    void Attach() override;
    void Detach() override;
    void SetTitle(const std::string& title) override;
    TerminalSize Size() const override;
    void Present(const CellGrid& grid, const CursorState& cursor) override;
    KeyCode ReadKey() override;
    void DiscardTypeAhead() override;

  private:
    // The part of the grid that the terminal shows; when the whole grid does not fit, the
    // terminal's bottom row says so instead.
    struct ShownArea {
        int columns = 0;
        int rows = 0;
        bool too_small = false;
    };

    // The curses attributes and colour pair of one cell's colours.
    struct Look {
        unsigned attributes = 0;
        int pair = 0;

        friend bool operator==(const Look&, const Look&) = default;
    };

    void ChooseUtf8Locale();
    void SetUpScreen();
    ShownArea AreaFor(const CellGrid& grid) const;
    void ClearScreen();
    void DrawCells(const CellGrid& grid, const ShownArea& area, bool everything);
    bool RewriteGap(const CellGrid& grid, int row, int column);
    bool EraseRun(int row, int column, int length, const Look& look);
    void DrawSmallScreenNotice(const CellGrid& grid);
    void WriteCell(int row, int column, wchar_t glyph, const Look& look);
    void MoveCursor(int row, int column);
    void SetLook(const Look& look);
    void PlaceCursor(const CursorState& cursor, const ShownArea& area);
    int VisibilityOf(const CursorState& cursor, const ShownArea& area) const;
    void ShowCursor(int visibility);
    std::string CursorShape(bool block);
    Look LookOf(Colour fg, Colour bg);
    int PairOf(int fg, int bg);
    void FollowTerminalSize();
    void WriteToTerminal(const std::string& bytes) const;

    TerminalInput input_;
    struct screen* screen_ = nullptr;
    bool attached_ = false;
    std::string locale_before_;

    // What the terminal shows, so that Present writes only the cells that changed and a
    // resize can draw everything again.
    CellGrid shown_;
    CursorState shown_cursor_;
    bool has_shown_ = false;
    bool redraw_everything_ = true;
    int shown_columns_ = 0;
    int shown_rows_ = 0;

    int colour_count_ = 0;
    std::array<short, colours::kCount * colours::kCount> pairs_{};
    int next_pair_ = 1;

    // The bytes of the frame being drawn: a frame goes out in one write, and the terminal
    // keeps its colours from one frame to the next, so a key typed into a field costs the
    // character alone.
    std::string frame_;
    // Where the terminal's cursor stands (0-based), or -1 when that is not known: before the
    // first frame, and after the last column, where terminals differ.
    int cursor_row_ = -1;
    int cursor_column_ = -1;
    Look look_;  // the terminal's current colours and attributes
    const char* cursor_address_ = nullptr;
    const char* margins_off_ = nullptr;
    const char* margins_on_ = nullptr;
    const char* erase_characters_ = nullptr;
    bool background_colour_erase_ = false;
    bool auto_margins_ = false;
    bool margin_glitch_ = false;

    int cursor_visibility_ = -1;
    bool can_shape_cursor_ = false;
    bool block_cursor_ = false;

    bool has_title_ = false;
    bool title_pushed_ = false;
    std::optional<std::string> title_before_attach_;
};

}  // namespace tavix::console
