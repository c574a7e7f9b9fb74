#include "ncurses_terminal.hpp"

#include <curses.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <stdexcept>
#include <string_view>

#include "code_page.hpp"
#include "terminal_colours.hpp"
#include "utf8.hpp"

namespace tavix::console {

namespace {

// DECSCUSR shapes.
constexpr int kDefaultCursorShape = 0;
constexpr int kSteadyBlockCursor = 2;

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

bool LocaleIsUtf8() {
    const char* codeset = ::nl_langinfo(CODESET);
    return codeset != nullptr &&
           (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

bool IsCapability(const char* value) {
    return value != nullptr && value != reinterpret_cast<const char*>(-1);
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

// The program's single-byte title as the terminal's UTF-8. Control bytes become their PC
// pictures, so a title can never end the escape sequence that carries it.
std::string TitleText(const std::string& title) {
    std::string text;
    for (char byte : title) {
        AppendUtf8(text, GlyphOfByte(static_cast<unsigned char>(byte)));
    }
    return text;
}

// A glyph that takes exactly one terminal cell; anything else would shift the row.
wchar_t OneCellGlyph(char32_t glyph) {
    if (glyph == 0) {
        return L' ';
    }
    const auto wide = static_cast<wchar_t>(glyph);
    return ::wcwidth(wide) == 1 ? wide : L'?';
}

// Writes one cell without moving the cursor on, so the bottom-right cell is no special case.
void PutGlyph(int row, int column, wchar_t glyph, attr_t attributes, int pair) {
    const wchar_t text[2] = {glyph, L'\0'};
    cchar_t character{};
    setcchar(&character, text, attributes, static_cast<short>(pair), nullptr);
    mvwadd_wchnstr(stdscr, row, column, &character, 1);
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

NcursesTerminal::NcursesTerminal() : input_(STDIN_FILENO, [this] { FollowTerminalSize(); }) {}

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
    ChooseUtf8Locale();
    // Before ncurses: it catches SIGINT, SIGTERM and SIGWINCH itself only where nobody
    // does, and Stop then puts back what was there before both.
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
    if (title_before_attach_) {
        SetTitle(*title_before_attach_);
        title_before_attach_.reset();
    }
}

void NcursesTerminal::ChooseUtf8Locale() {
    const char* current = std::setlocale(LC_ALL, nullptr);
    locale_before_ = current != nullptr ? current : "C";
    std::setlocale(LC_ALL, "");
    // Without a UTF-8 locale ncursesw drops every character beyond ASCII.
    if (!LocaleIsUtf8()) {
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
    // ncurses stops drawing halfway when input is waiting, and it never reads that input:
    // the keys are read by TerminalInput.
    typeahead(-1);
    scrollok(stdscr, FALSE);
    leaveok(stdscr, FALSE);
    colour_count_ = 0;
    if (has_colors() && start_color() == OK) {
        colour_count_ = COLORS;
    }
    pairs_.fill(0);
    next_pair_ = 1;
    can_shape_cursor_ = IsCapability(tigetstr("Ss"));
    block_cursor_ = false;
    has_title_ = TerminalHasTitle();
    curs_set(0);
    cursor_visibility_ = 0;
    werase(stdscr);
    wrefresh(stdscr);
}

void NcursesTerminal::Detach() {
    if (!attached_) {
        return;
    }
    attached_ = false;
    input_.Stop();
    SetCursorShape(false);
    if (title_pushed_) {
        WriteToTerminal(std::string(kPopTitle));
        title_pushed_ = false;
    }
    endwin();  // the cursor, the terminal modes and the main screen come back
    delscreen(screen_);
    screen_ = nullptr;
    std::setlocale(LC_ALL, locale_before_.c_str());
}

void NcursesTerminal::SetTitle(const std::string& title) {
    if (!attached_) {
        title_before_attach_ = title;
        return;
    }
    if (!has_title_) {
        return;
    }
    std::string bytes;
    if (!title_pushed_) {
        bytes += kPushTitle;
        title_pushed_ = true;
    }
    bytes += "\x1b]2;" + TitleText(title) + "\x07";
    WriteToTerminal(bytes);
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
    if (everything) {
        werase(stdscr);
    }
    DrawCells(grid, area, everything);
    if (everything && area.too_small) {
        DrawSmallScreenNotice(grid);
    }
    shown_ = grid;
    shown_cursor_ = cursor;
    has_shown_ = true;
    redraw_everything_ = false;
    shown_columns_ = COLS;
    shown_rows_ = LINES;
    PlaceCursor(cursor, area);
    wrefresh(stdscr);
}

NcursesTerminal::ShownArea NcursesTerminal::AreaFor(const CellGrid& grid) const {
    ShownArea area{std::min(grid.Columns(), COLS), std::min(grid.Rows(), LINES), false};
    area.too_small = grid.Columns() > COLS || grid.Rows() > LINES;
    if (area.too_small) {
        area.rows = std::min(grid.Rows(), LINES - 1);
    }
    return area;
}

void NcursesTerminal::DrawCells(const CellGrid& grid, const ShownArea& area, bool everything) {
    for (int y = 1; y <= area.rows; ++y) {
        for (int x = 1; x <= area.columns; ++x) {
            const Cell& cell = grid.At(x, y);
            if (!everything && cell == shown_.At(x, y)) {
                continue;
            }
            const Look look = LookOf(cell.fg, cell.bg);
            PutGlyph(y - 1, x - 1, OneCellGlyph(cell.glyph), look.attributes, look.pair);
        }
    }
}

void NcursesTerminal::DrawSmallScreenNotice(const CellGrid& grid) {
    const std::string size = std::to_string(grid.Columns()) + "x" + std::to_string(grid.Rows());
    std::string notice = std::string(kSmallScreenNotice) + size;
    if (static_cast<int>(notice.size()) > COLS) {
        notice = std::string(kShortSmallScreenNotice) + size;
    }
    for (int column = 0; column < COLS; ++column) {
        const auto index = static_cast<std::size_t>(column);
        const wchar_t glyph = index < notice.size() ? static_cast<wchar_t>(notice[index]) : L' ';
        PutGlyph(LINES - 1, column, glyph, A_REVERSE, 0);
    }
}

void NcursesTerminal::PlaceCursor(const CursorState& cursor, const ShownArea& area) {
    const bool visible = cursor.visible && cursor.x >= 1 && cursor.x <= area.columns &&
                         cursor.y >= 1 && cursor.y <= area.rows;
    if (visible) {
        SetCursorShape(cursor.overwrite);
        wmove(stdscr, cursor.y - 1, cursor.x - 1);
    }
    // Where the shape cannot be set, the "very visible" cursor stands for the block.
    int visibility = 0;
    if (visible) {
        visibility = cursor.overwrite && !can_shape_cursor_ ? 2 : 1;
    }
    if (visibility != cursor_visibility_) {
        curs_set(visibility);
        cursor_visibility_ = visibility;
    }
}

void NcursesTerminal::SetCursorShape(bool block) {
    if (!can_shape_cursor_ || block == block_cursor_) {
        return;
    }
    // Written straight away: putp goes through stdio's buffer, which nothing here flushes.
    WriteToTerminal(tiparm(tigetstr("Ss"), block ? kSteadyBlockCursor : kDefaultCursorShape));
    block_cursor_ = block;
}

NcursesTerminal::Look NcursesTerminal::LookOf(Colour fg, Colour bg) {
    const TerminalLook look = LookOnTerminal(fg, bg, colour_count_);
    attr_t attributes = A_NORMAL;
    if (look.bold) {
        attributes |= A_BOLD;
    }
    if (look.reverse) {
        attributes |= A_REVERSE;
    }
    const bool coloured = look.fg != TerminalLook::kNoColour;
    return Look{attributes, coloured ? PairOf(look.fg, look.bg) : 0};
}

int NcursesTerminal::PairOf(int fg, int bg) {
    // Pairs are made as colours are first used: a terminal with few pairs (64 on "screen")
    // still has one for every combination a screen really shows. Once they run out, pair 0
    // (the terminal's own colours) stands in.
    short& pair = pairs_[static_cast<std::size_t>(fg * colours::kCount + bg)];
    if (pair == 0 && next_pair_ < COLOR_PAIRS) {
        init_extended_pair(next_pair_, fg, bg);
        pair = static_cast<short>(next_pair_++);
    }
    return pair;
}

// ---- Keys and size ----

KeyCode NcursesTerminal::ReadKey() {
    return input_.ReadKey();
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
    // The terminal may have reflowed or cleared what it showed: paint it all again.
    clearok(curscr, TRUE);
    redraw_everything_ = true;
    if (has_shown_) {
        const CellGrid grid = shown_;
        Present(grid, shown_cursor_);
    }
}

void NcursesTerminal::WriteToTerminal(const std::string& bytes) const {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(STDOUT_FILENO, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;  // the terminal is gone; a title is not worth failing for
        }
        written += static_cast<std::size_t>(count);
    }
}

}  // namespace tavix::console
