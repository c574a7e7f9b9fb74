#pragma once

#include <optional>
#include <string>

#include "cell_grid.hpp"
#include "terminal.hpp"
#include "terminal_colours.hpp"
#include "terminal_input.hpp"
#include "terminal_output.hpp"

// ncurses's SCREEN, named here so that no other file needs curses.h.
struct screen;

namespace tavix::console {

// The real terminal on standard input and output. ncurses takes the terminal over and gives
// it back (modes, alternate screen); the frames are drawn by TerminalOutput, and keys are
// read and decoded by the console itself rather than by ncurses, so that every terminal type
// gives the same codes.
//
// Only one may be attached at a time: ncurses and the signal handlers are process-wide.
class NcursesTerminal : public Terminal {
  public:
    NcursesTerminal();
    ~NcursesTerminal() override;
    NcursesTerminal(const NcursesTerminal&) = delete;
    NcursesTerminal& operator=(const NcursesTerminal&) = delete;

    // Throws std::runtime_error, saying why, when there is no terminal it can draw on
    // (standard input or output elsewhere, TERM unset, unknown or without cursor moves).
    void Attach() override;
    void Detach() override;
    void SetTitle(const std::string& title) override;
    TerminalSize Size() const override;
    void Present(const CellGrid& grid, const CursorState& cursor) override;
    KeyCode ReadKey() override;
    bool KeyWaiting() override;
    void DiscardTypeAhead() override;

  private:
    // The part of the grid that the terminal shows; when the whole grid does not fit, the
    // terminal's bottom row says so instead.
    struct ShownArea {
        int columns = 0;
        int rows = 0;
        bool too_small = false;
    };

    void ChooseLocale();
    void SetUpScreen();
    void GiveBack();
    void Suspend();
    void Resume();
    void FollowTerminalSize();
    void DrawEverythingAgain();
    ShownArea AreaFor(const CellGrid& grid) const;
    void DrawCells(const CellGrid& grid, const ShownArea& area, bool everything);
    void RewriteGap(const CellGrid& grid, int row, int column);
    void DrawSmallScreenNotice(const CellGrid& grid);
    void PlaceCursor(const CursorState& cursor, int visibility);
    int VisibilityOf(const CursorState& cursor, const ShownArea& area) const;
    TerminalLook LookOf(const Cell& cell) const;
    TerminalLook PlainLook() const;
    void ShowTitle();
    void PutTitleBack();

    TerminalInput input_;
    TerminalOutput output_;
    struct screen* screen_ = nullptr;
    bool attached_ = false;
    std::string locale_before_;

    // What the terminal shows, so that Present writes only the cells that changed and a
    // resize or a resumption can draw everything again.
    CellGrid shown_;
    CursorState shown_cursor_;
    bool has_shown_ = false;
    bool redraw_everything_ = true;
    int shown_columns_ = 0;
    int shown_rows_ = 0;

    bool has_title_ = false;
    bool title_pushed_ = false;
    std::optional<std::string> title_;
};

}  // namespace tavix::console
