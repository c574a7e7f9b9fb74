#include "ncurses_terminal.hpp"

#include <curses.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "code_page.hpp"
#include "usable_terminal.hpp"

namespace tavix::console {

namespace {

// The xterm title stack: what the terminal showed before is pushed at the first title and
// popped when the console lets go.
constexpr std::string_view kPushTitle = "\x1b[22;2t";
constexpr std::string_view kPopTitle = "\x1b[23;2t";

// Terminals that take an xterm-style title although their terminfo entry does not say so.
constexpr std::array<std::string_view, 13> kTitledTerminals = {
    "xterm",   "screen", "tmux",  "rxvt",    "alacritty", "foot", "kitty",
    "wezterm", "vte",    "gnome", "konsole", "putty",     "st-",
};

constexpr std::string_view kSmallScreenNotice = "Schermo piccolo: servono ";
constexpr std::string_view kShortSmallScreenNotice = "Servono ";

// Whether the environment asks for UTF-8 (LC_ALL, LC_CTYPE or LANG, the first one set).
bool EnvironmentAsksForUtf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            std::string locale(value);
            std::transform(locale.begin(), locale.end(), locale.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            return locale.find("utf-8") != std::string::npos ||
                   locale.find("utf8") != std::string::npos;
        }
    }
    return false;
}

bool TerminalHasTitle() {
    if (tigetflag("XT") > 0) {
        return true;
    }
    const char* term = std::getenv("TERM");
    if (term == nullptr) {
        return false;
    }
    const std::string_view name(term);
    return std::any_of(kTitledTerminals.begin(), kTitledTerminals.end(),
                       [&](std::string_view prefix) { return name.starts_with(prefix); });
}

// The program's single-byte title in the terminal's character set. Control bytes become their
// PC pictures, so a title can never end the escape sequence that carries it.
std::string TitleText(const std::string& title, const TerminalCharset& charset) {
    std::string text;
    for (char byte : title) {
        text += charset.TextBytes(GlyphOfByte(static_cast<unsigned char>(byte)));
    }
    return text;
}

bool ReadWindowSize(int fd, TerminalSize& size) {
    winsize window{};
    if (::ioctl(fd, TIOCGWINSZ, &window) != 0 || window.ws_col == 0 || window.ws_row == 0) {
        return false;
    }
    size = TerminalSize{window.ws_col, window.ws_row};
    return true;
}

}  // namespace

NcursesTerminal::NcursesTerminal()
    : input_(STDIN_FILENO, TerminalInput::Handlers{[this] { FollowTerminalSize(); },
                                                   [this] { Suspend(); }, [this] { Resume(); }}) {}

NcursesTerminal::~NcursesTerminal() {
    try {
        Detach();
    } catch (...) {
        // The terminal is gone; nothing is left to give back.
    }
}

// ---- Life ----

void NcursesTerminal::Attach() {
    if (attached_) {
        return;
    }
    // Before anything changes: a program that cannot draw says so and leaves all as it was.
    RequireUsableTerminal();
    ChooseLocale();
    // Before ncurses: it catches SIGINT, SIGTERM, SIGWINCH and SIGTSTP itself only where
    // nobody does, and Stop then puts back what was there before both.
    input_.Start();
    try {
        SetUpScreen();
    } catch (...) {
        input_.Stop();
        std::setlocale(LC_ALL, locale_before_.c_str());
        throw;
    }
    attached_ = true;
    redraw_everything_ = true;
    ShowTitle();
}

// The locale's character set is the terminal's, as for every curses program. Only where the
// environment names a UTF-8 locale that is not installed does C.UTF-8 stand in for it.
void NcursesTerminal::ChooseLocale() {
    const char* current = std::setlocale(LC_ALL, nullptr);
    locale_before_ = current != nullptr ? current : "C";
    if (std::setlocale(LC_ALL, "") == nullptr && EnvironmentAsksForUtf8()) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
}

void NcursesTerminal::SetUpScreen() {
    std::fflush(stdout);
    screen_ = newterm(nullptr, stdout, stdin);
    if (screen_ == nullptr) {
        const char* term = std::getenv("TERM");
        throw std::runtime_error(std::string("cannot draw on this terminal (TERM=") +
                                 (term != nullptr ? term : "unset") +
                                 "): set TERM to a type that terminfo knows");
    }
    set_term(screen_);
    raw();  // Ctrl+C, Ctrl+S and Ctrl+Z arrive as keys
    noecho();
    nonl();  // Enter is 13, Ctrl+J 10
    keypad(stdscr, FALSE);
    meta(stdscr, TRUE);
    typeahead(-1);  // the keys are read by TerminalInput, never by ncurses
    scrollok(stdscr, FALSE);
    leaveok(stdscr, FALSE);
    try {
        output_.Load();
        input_.TypeIn(output_.Charset().TypedCharacters());
    } catch (...) {
        endwin();
        delscreen(screen_);
        screen_ = nullptr;
        throw;
    }
    has_title_ = TerminalHasTitle();
    // Hidden as far as ncurses knows, so that it shows the cursor when it gives the
    // terminal back; the frames set it as they need.
    curs_set(0);
    werase(stdscr);
    // ncurses's own bytes (the alternate screen, the modes) go out now, before any frame.
    wrefresh(stdscr);
    output_.Forget();
}

void NcursesTerminal::Detach() {
    if (!attached_) {
        return;
    }
    attached_ = false;
    input_.Stop();
    GiveBack();
    delscreen(screen_);
    screen_ = nullptr;
    std::setlocale(LC_ALL, locale_before_.c_str());
}

void NcursesTerminal::GiveBack() {
    PutTitleBack();
    output_.PutBack();
    output_.Send();
    endwin();  // the cursor, the terminal modes and the main screen come back
}

// The shell gets the terminal as it was while the program is stopped.
void NcursesTerminal::Suspend() {
    if (attached_) {
        GiveBack();
    }
}

void NcursesTerminal::Resume() {
    if (!attached_) {
        return;
    }
    if (isendwin()) {
        // ncurses takes the terminal again: modes, alternate screen, a cleared screen.
        doupdate();
    } else {
        // Stopped by someone else: the shell may have changed the modes meanwhile.
        reset_prog_mode();
    }
    output_.Forget();
    ShowTitle();
    DrawEverythingAgain();
}

void NcursesTerminal::SetTitle(const std::string& title) {
    title_ = title;
    ShowTitle();
}

void NcursesTerminal::ShowTitle() {
    if (!attached_ || !has_title_ || !title_) {
        return;
    }
    std::string bytes;
    if (!title_pushed_) {
        bytes += kPushTitle;
        title_pushed_ = true;
    }
    bytes += "\x1b]2;" + TitleText(*title_, output_.Charset()) + "\x07";
    // A title changes neither the colours nor the cursor: it needs no frame.
    TerminalOutput::SendAside(bytes);
}

void NcursesTerminal::PutTitleBack() {
    if (title_pushed_) {
        TerminalOutput::SendAside(kPopTitle);
        title_pushed_ = false;
    }
}

TerminalSize NcursesTerminal::Size() const {
    if (attached_) {
        return TerminalSize{COLS, LINES};
    }
    TerminalSize size;
    if (!ReadWindowSize(STDOUT_FILENO, size)) {
        ReadWindowSize(STDIN_FILENO, size);
    }
    return size;
}

// ---- Drawing ----

void NcursesTerminal::Present(const CellGrid& grid, const CursorState& cursor) {
    if (!attached_) {
        shown_ = grid;
        shown_cursor_ = cursor;
        has_shown_ = true;
        return;
    }
    const bool new_layout = !has_shown_ || grid.Columns() != shown_.Columns() ||
                            grid.Rows() != shown_.Rows() || COLS != shown_columns_ ||
                            LINES != shown_rows_;
    const bool everything = redraw_everything_ || new_layout;
    const ShownArea area = AreaFor(grid);
    const int visibility = VisibilityOf(cursor, area);
    // Hidden before the cells are drawn, shown after they are, so it never runs along.
    if (visibility == 0) {
        output_.ShowCursor(visibility);
    }
    if (everything) {
        output_.Clear(PlainLook());
    }
    DrawCells(grid, area, everything);
    if (everything && area.too_small) {
        DrawSmallScreenNotice(grid);
    }
    PlaceCursor(cursor, visibility);
    output_.ShowCursor(visibility);
    output_.Send();
    shown_ = grid;
    shown_cursor_ = cursor;
    has_shown_ = true;
    redraw_everything_ = false;
    shown_columns_ = COLS;
    shown_rows_ = LINES;
}

void NcursesTerminal::DrawEverythingAgain() {
    redraw_everything_ = true;
    if (has_shown_) {
        const CellGrid grid = shown_;
        Present(grid, shown_cursor_);
    }
}

NcursesTerminal::ShownArea NcursesTerminal::AreaFor(const CellGrid& grid) const {
    ShownArea area{std::min(grid.Columns(), COLS), std::min(grid.Rows(), LINES), false};
    area.too_small = grid.Columns() > COLS || grid.Rows() > LINES;
    if (area.too_small) {
        area.rows = std::min(grid.Rows(), LINES - 1);
    }
    return area;
}

// Every cell when `everything`, else those that changed. The terminal then shows each cell
// exactly as the grid holds it, colours of blanks included.
void NcursesTerminal::DrawCells(const CellGrid& grid, const ShownArea& area, bool everything) {
    for (int y = 1; y <= area.rows; ++y) {
        for (int x = 1; x <= area.columns; ++x) {
            const Cell& cell = grid.At(x, y);
            if (!everything && cell == shown_.At(x, y)) {
                continue;
            }
            RewriteGap(grid, y - 1, x - 1);
            output_.WriteCell(y - 1, x - 1, cell.glyph, LookOf(cell));
        }
    }
}

// When the cursor stands a little before (row, column) on the same row, writing the cells
// in between again (they show what they show, in the current look) costs fewer bytes than
// moving the cursor there: then it does so.
void NcursesTerminal::RewriteGap(const CellGrid& grid, int row, int column) {
    const int from = output_.CursorColumn();
    const std::optional<TerminalLook>& current = output_.CurrentLook();
    if (output_.CursorRow() != row || from < 0 || from >= column || !current) {
        return;
    }
    const std::size_t move_size = output_.MoveSize(row, column);
    std::string gap;
    for (int x = from; x < column; ++x) {
        const Cell& cell = grid.At(x + 1, row + 1);
        if (LookOf(cell) != *current) {
            return;
        }
        const auto bytes = output_.BytesInPlace(cell.glyph);
        if (!bytes) {
            return;
        }
        gap += *bytes;
        if (gap.size() >= move_size) {
            return;
        }
    }
    output_.WriteOver(gap, column);
}

void NcursesTerminal::DrawSmallScreenNotice(const CellGrid& grid) {
    const std::string size = std::to_string(grid.Columns()) + "x" + std::to_string(grid.Rows());
    std::string notice = std::string(kSmallScreenNotice) + size;
    if (static_cast<int>(notice.size()) > COLS) {
        notice = std::string(kShortSmallScreenNotice) + size;
    }
    TerminalLook look = PlainLook();
    look.reverse = true;
    for (int column = 0; column < COLS; ++column) {
        const auto index = static_cast<std::size_t>(column);
        const char32_t glyph = index < notice.size() ? static_cast<char32_t>(notice[index]) : U' ';
        output_.WriteCell(LINES - 1, column, glyph, look);
    }
}

void NcursesTerminal::PlaceCursor(const CursorState& cursor, int visibility) {
    if (visibility == 0) {
        return;
    }
    output_.ShapeCursor(cursor.overwrite);
    output_.MoveTo(cursor.y - 1, cursor.x - 1);
}

int NcursesTerminal::VisibilityOf(const CursorState& cursor, const ShownArea& area) const {
    const bool visible = cursor.visible && cursor.x >= 1 && cursor.x <= area.columns &&
                         cursor.y >= 1 && cursor.y <= area.rows;
    if (!visible) {
        return 0;
    }
    // Where the shape cannot be set, the "very visible" cursor stands for the block.
    return cursor.overwrite && !output_.CanShapeCursor() ? 2 : 1;
}

TerminalLook NcursesTerminal::LookOf(const Cell& cell) const {
    return LookOnTerminal(cell.fg, cell.bg, output_.ColourCount());
}

// The console's usual light grey on black.
TerminalLook NcursesTerminal::PlainLook() const {
    return LookOnTerminal(colours::kLightGray, colours::kBlack, output_.ColourCount());
}

// ---- Keys and size ----

KeyCode NcursesTerminal::ReadKey() {
    return input_.ReadKey();
}

bool NcursesTerminal::KeyWaiting() {
    return attached_ && input_.KeyWaiting();
}

void NcursesTerminal::DiscardTypeAhead() {
    input_.DiscardTypeAhead();
}

void NcursesTerminal::FollowTerminalSize() {
    if (!attached_) {
        return;
    }
    TerminalSize size;
    if (ReadWindowSize(STDOUT_FILENO, size) || ReadWindowSize(STDIN_FILENO, size)) {
        resizeterm(size.rows, size.columns);
    }
    // The terminal may have reflowed or cleared what it showed, and moved its cursor.
    output_.Forget();
    DrawEverythingAgain();
}

}  // namespace tavix::console
