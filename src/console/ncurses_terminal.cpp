#include "ncurses_terminal.hpp"

#include <curses.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <termcap.h>  // tputs, without term.h's capability macros
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

// COLOR_PAIR has room for this many pairs in the attributes.
constexpr int kPairsInAttributes = 256;

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

// tputs and vid_puts hand their bytes to a plain function: while a frame is drawn, they go
// into it. Only one terminal is attached at a time (ncurses is process-wide).
std::string* frame_being_drawn = nullptr;

int AppendToFrame(int byte) {
    frame_being_drawn->push_back(static_cast<char>(byte));
    return byte;
}

class DrawingInto {
  public:
    explicit DrawingInto(std::string& frame) { frame_being_drawn = &frame; }
    ~DrawingInto() { frame_being_drawn = nullptr; }
    DrawingInto(const DrawingInto&) = delete;
    DrawingInto& operator=(const DrawingInto&) = delete;
};

void Emit(const char* capability) {
    tputs(capability, 1, AppendToFrame);
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
    // The cells are written here rather than through curses's refresh: it puts the terminal
    // back to plain colours at the end of every refresh, so each key typed into a coloured
    // field would cost three colour changes and a reset besides the character.
    cursor_address_ = tigetstr("cup");
    if (!IsCapability(cursor_address_)) {
        endwin();
        delscreen(screen_);
        screen_ = nullptr;
        const char* term = std::getenv("TERM");
        throw std::runtime_error(std::string("cannot draw on this terminal (TERM=") +
                                 (term != nullptr ? term : "unset") +
                                 "): it cannot move its cursor to a given place");
    }
    erase_characters_ = tigetstr("ech");
    background_colour_erase_ = tigetflag("bce") > 0;
    margins_off_ = tigetstr("rmam");
    margins_on_ = tigetstr("smam");
    auto_margins_ = tigetflag("am") > 0;
    margin_glitch_ = tigetflag("xenl") > 0;
    cursor_row_ = -1;
    cursor_column_ = -1;
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
    WriteToTerminal(CursorShape(false));
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
    const int visibility = VisibilityOf(cursor, area);
    // Hidden before the cells are drawn, shown after they are, so it never runs along.
    if (visibility == 0) {
        ShowCursor(visibility);
    }
    if (everything) {
        ClearScreen();
    }
    {
        DrawingInto drawing(frame_);
        DrawCells(grid, area, everything);
        if (everything && area.too_small) {
            DrawSmallScreenNotice(grid);
        }
        PlaceCursor(cursor, area);
    }
    WriteToTerminal(frame_);
    frame_.clear();
    ShowCursor(visibility);
    shown_ = grid;
    shown_cursor_ = cursor;
    has_shown_ = true;
    redraw_everything_ = false;
    shown_columns_ = COLS;
    shown_rows_ = LINES;
}

NcursesTerminal::ShownArea NcursesTerminal::AreaFor(const CellGrid& grid) const {
    ShownArea area{std::min(grid.Columns(), COLS), std::min(grid.Rows(), LINES), false};
    area.too_small = grid.Columns() > COLS || grid.Rows() > LINES;
    if (area.too_small) {
        area.rows = std::min(grid.Rows(), LINES - 1);
    }
    return area;
}

// Curses clears the screen in the terminal's plain colours, by whatever means the terminal
// has, and leaves its cursor at the top left.
void NcursesTerminal::ClearScreen() {
    clearok(curscr, TRUE);
    werase(stdscr);
    wmove(stdscr, 0, 0);
    wrefresh(stdscr);
    cursor_row_ = 0;
    cursor_column_ = 0;
    look_ = Look{A_NORMAL, 0};
}

void NcursesTerminal::DrawCells(const CellGrid& grid, const ShownArea& area, bool everything) {
    const Look plain{A_NORMAL, 0};
    const auto changed = [&](int x, int y) {
        return everything || grid.At(x, y) != shown_.At(x, y);
    };
    for (int y = 1; y <= area.rows; ++y) {
        for (int x = 1; x <= area.columns; ++x) {
            if (!changed(x, y)) {
                continue;
            }
            const Cell& cell = grid.At(x, y);
            const wchar_t glyph = OneCellGlyph(cell.glyph);
            const Look look = LookOf(cell.fg, cell.bg);
            if (everything && glyph == L' ' && look == plain) {
                continue;  // the cleared screen shows it already
            }
            if (glyph == L' ') {
                int run = 1;
                while (x + run <= area.columns && changed(x + run, y) &&
                       OneCellGlyph(grid.At(x + run, y).glyph) == L' ' &&
                       grid.At(x + run, y).fg == cell.fg && grid.At(x + run, y).bg == cell.bg) {
                    ++run;
                }
                if (EraseRun(y - 1, x - 1, run, look)) {
                    x += run - 1;
                    continue;
                }
            }
            if (!RewriteGap(grid, y - 1, x - 1)) {
                MoveCursor(y - 1, x - 1);
            }
            WriteCell(y - 1, x - 1, glyph, look);
        }
    }
}

// Blanks a run of cells in one look by erasing them, where that costs fewer bytes than
// writing them and moving on afterwards. Erasing fills with the current background colour
// only on terminals that say so; elsewhere only the plain look can be erased. The cursor
// stays at the start of the run. Returns whether it did so.
bool NcursesTerminal::EraseRun(int row, int column, int length, const Look& look) {
    if (!IsCapability(erase_characters_) ||
        (!background_colour_erase_ && look != Look{A_NORMAL, 0})) {
        return false;
    }
    const std::size_t erase_size = std::string(tiparm(erase_characters_, length)).size();
    const std::size_t move_on_size =
        std::string(tiparm(cursor_address_, row, column + length)).size();
    if (erase_size + move_on_size >= static_cast<std::size_t>(length)) {
        return false;
    }
    MoveCursor(row, column);
    SetLook(look);
    Emit(tiparm(erase_characters_, length));
    return true;
}

// When the cursor stands a little before (row, column) on the same row, writing the cells
// in between again (they show what they show, in the current look) costs fewer bytes than
// moving the cursor. Returns whether it did so.
bool NcursesTerminal::RewriteGap(const CellGrid& grid, int row, int column) {
    if (cursor_row_ != row || cursor_column_ < 0 || cursor_column_ >= column) {
        return false;
    }
    const std::string move = tiparm(cursor_address_, row, column);
    std::string gap;
    for (int x = cursor_column_; x < column; ++x) {
        const Cell& cell = grid.At(x + 1, row + 1);
        if (LookOf(cell.fg, cell.bg) != look_) {
            return false;
        }
        AppendUtf8(gap, OneCellGlyph(cell.glyph));
        if (gap.size() >= move.size()) {
            return false;
        }
    }
    frame_being_drawn->append(gap);
    cursor_column_ = column;
    return true;
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
        MoveCursor(LINES - 1, column);
        WriteCell(LINES - 1, column, glyph, Look{A_REVERSE, 0});
    }
}

// Writes one cell where the cursor stands, which is (row, column).
void NcursesTerminal::WriteCell(int row, int column, wchar_t glyph, const Look& look) {
    // With automatic margins, the bottom-right cell scrolls the screen on terminals that
    // wrap at once; there it is written with the margins off, or not at all.
    const bool corner = row == LINES - 1 && column == COLS - 1;
    const bool wraps_at_once = auto_margins_ && !margin_glitch_;
    const bool margins_switchable = IsCapability(margins_off_) && IsCapability(margins_on_);
    if (corner && wraps_at_once && !margins_switchable) {
        return;
    }
    SetLook(look);
    if (corner && wraps_at_once) {
        Emit(margins_off_);
    }
    AppendUtf8(*frame_being_drawn, glyph);
    if (corner && wraps_at_once) {
        Emit(margins_on_);
    }
    if (column == COLS - 1) {
        cursor_row_ = -1;
        cursor_column_ = -1;
    } else {
        cursor_column_ = column + 1;
    }
}

void NcursesTerminal::MoveCursor(int row, int column) {
    if (row == cursor_row_ && column == cursor_column_) {
        return;
    }
    Emit(tiparm(cursor_address_, row, column));
    cursor_row_ = row;
    cursor_column_ = column;
}

void NcursesTerminal::SetLook(const Look& look) {
    if (look == look_) {
        return;
    }
    // Curses knows the terminal's attributes and sends only what changes. It compares the
    // pair carried in the attributes as well, as its own refresh passes it: without it, every
    // change of colour would begin with a reset of all attributes.
    attr_t attributes = look.attributes;
    if (look.pair < kPairsInAttributes) {
        attributes |= COLOR_PAIR(look.pair);
    }
    vid_puts(attributes, static_cast<short>(look.pair), nullptr, AppendToFrame);
    look_ = look;
}

void NcursesTerminal::PlaceCursor(const CursorState& cursor, const ShownArea& area) {
    if (VisibilityOf(cursor, area) == 0) {
        return;
    }
    frame_being_drawn->append(CursorShape(cursor.overwrite));
    MoveCursor(cursor.y - 1, cursor.x - 1);
}

int NcursesTerminal::VisibilityOf(const CursorState& cursor, const ShownArea& area) const {
    const bool visible = cursor.visible && cursor.x >= 1 && cursor.x <= area.columns &&
                         cursor.y >= 1 && cursor.y <= area.rows;
    if (!visible) {
        return 0;
    }
    // Where the shape cannot be set, the "very visible" cursor stands for the block.
    return cursor.overwrite && !can_shape_cursor_ ? 2 : 1;
}

void NcursesTerminal::ShowCursor(int visibility) {
    if (visibility != cursor_visibility_) {
        curs_set(visibility);
        cursor_visibility_ = visibility;
    }
}

// The bytes that give the cursor its shape, when that changes and the terminal can.
std::string NcursesTerminal::CursorShape(bool block) {
    if (!can_shape_cursor_ || block == block_cursor_) {
        return std::string();
    }
    block_cursor_ = block;
    return tiparm(tigetstr("Ss"), block ? kSteadyBlockCursor : kDefaultCursorShape);
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
    // Curses sends pair 0 as white on black (the program never asks for the terminal's own
    // colours), which is also what a cleared screen shows: the console's usual light grey on
    // black needs no pair of its own, and blank cells in it need not be written after a clear.
    if (fg == COLOR_WHITE && bg == COLOR_BLACK) {
        return 0;
    }
    // Pairs are made as colours are first used: a terminal with few pairs (64 on "screen")
    // still has one for every combination a screen really shows. Once they run out, pair 0
    // stands in.
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
