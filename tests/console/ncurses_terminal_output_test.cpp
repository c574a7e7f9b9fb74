// What the real terminal backend writes on a pseudo-terminal: the test process's standard
// input and output become the terminal's other side for the time of the test.

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <csignal>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "ansi_screen.hpp"
#include "console/box_drawing.hpp"
#include "console/key_codes.hpp"
#include "console/ncurses_terminal.hpp"
#include "console/terminal_colours.hpp"
#include "pseudo_terminal_stdio.hpp"
#include "support/temp_dir.hpp"

namespace tavix::console {
namespace {

// Curses used to put the terminal back to plain colours at the end of every refresh, so each
// key typed into a coloured field cost the character, its colours and a reset: 35 bytes.
TEST(NcursesTerminalOutputTest, AKeyTypedIntoAFieldCostsTheTerminalOnlyItsCharacter) {
    ::setenv("TERM", "xterm-256color", 1);
    const std::string typed = "AB1C2D";
    std::vector<std::string> sent;
    {
        PseudoTerminalStdio pty(80, 24);
        NcursesTerminal terminal;
        terminal.Attach();
        CellGrid grid(24, 20);
        CursorState cursor{true, false, 3, 7};
        terminal.Present(grid, cursor);
        pty.Received();
        for (char key : typed) {
            grid.Set(cursor.x, cursor.y,
                     Cell{static_cast<char32_t>(key), colours::kWhite, colours::kBlue});
            ++cursor.x;
            terminal.Present(grid, cursor);
            sent.push_back(pty.Received());
        }
        terminal.Detach();
    }
    // The first character brings its colours; every one after it is its own byte alone.
    ASSERT_EQ(sent.size(), typed.size());
    EXPECT_TRUE(sent[0].ends_with(typed.substr(0, 1))) << ::testing::PrintToString(sent[0]);
    for (std::size_t i = 1; i < typed.size(); ++i) {
        EXPECT_EQ(sent[i], typed.substr(i, 1)) << "key " << i;
    }
}

struct TermCase {
    const char* label;
    const char* term;
    int colour_count;
    bool erases_in_colour;  // terminfo's bce
};

void PrintTo(const TermCase& term_case, std::ostream* out) {
    *out << term_case.label;
}

const std::vector<TermCase> kTermCases = {
    {"Xterm256", "xterm-256color", 256, true},
    {"Tmux256", "tmux-256color", 256, false},
    {"Screen8Colours", "screen", 8, false},
};

const CursorState kHidden{false, false, 1, 1};

void Print(CellGrid& grid, int x, int y, const std::string& text, Colour fg, Colour bg) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        grid.Set(x + static_cast<int>(i), y, Cell{static_cast<char32_t>(text[i]), fg, bg});
    }
}

// After every frame, whatever else the backend or curses wrote before it, the terminal shows
// each cell of the grid: its character and its colours. Every path that writes to the
// terminal (frames, the cursor's visibility and shape, titles, clearing, resizing, taking the
// terminal again after a stop) must leave the backend's idea of the terminal true.
class TerminalShowsTheGridTest : public ::testing::TestWithParam<TermCase> {
  protected:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 24;

    void SetUp() override {
        ::setenv("TERM", GetParam().term, 1);
        pty_ = std::make_unique<PseudoTerminalStdio>(kColumns, kRows);
    }

    // The test's own output goes to the pseudo-terminal while it stands in for standard
    // output: failures are kept and reported once it is gone.
    void TearDown() override {
        terminal_.Detach();
        pty_.reset();
        for (const std::string& failure : failures_) {
            ADD_FAILURE() << failure;
        }
    }

    void Check(bool holds, const std::string& failure) {
        if (!holds) {
            failures_.push_back(failure);
        }
    }

    // Feeds what the terminal received and compares it with the grid.
    void ExpectShows(const std::string& step) {
        screen_.Feed(pty_->Received());
        std::ostringstream wrong;
        int mismatches = 0;
        for (int y = 1; y <= grid_.Rows(); ++y) {
            for (int x = 1; x <= grid_.Columns(); ++x) {
                const Cell& cell = grid_.At(x, y);
                const TerminalLook look = LookOnTerminal(cell.fg, cell.bg, GetParam().colour_count);
                const AnsiScreen::Cell& shown = screen_.At(x, y);
                // Blanks too: a cursor over a blank, or tmux's copy of the screen, shows
                // its text colour.
                if ((shown.glyph != cell.glyph || shown.look != look) && ++mismatches <= 5) {
                    wrong << " (" << x << "," << y << ") shows '" << static_cast<char>(shown.glyph)
                          << "' " << shown.look.fg << "/" << shown.look.bg
                          << (shown.look.bold ? " bold" : "")
                          << (shown.look.reverse ? " reverse" : "") << " for '"
                          << static_cast<char>(cell.glyph) << "' " << look.fg << "/" << look.bg
                          << (look.bold ? " bold" : "") << ";";
                }
            }
        }
        Check(mismatches == 0, step + ":" + wrong.str());
    }

    void Show(const std::string& step, const CursorState& cursor) {
        terminal_.Present(grid_, cursor);
        ExpectShows(step);
    }

    // The terminal prompt, as the program draws it: a frame in yellow on blue and a field,
    // and beside the frame a mark in the console's plain look between coloured cells.
    void DrawTerminalPrompt() {
        grid_.Fill(Rect{1, 1, 23, 19}, Cell{U' ', colours::kYellow, colours::kBlue});
        Print(grid_, 1, 1, "+=====================+", colours::kYellow, colours::kBlue);
        Print(grid_, 24, 2, ":", colours::kLightGray, colours::kBlack);
        Print(grid_, 7, 5, "Terminale:", colours::kYellow, colours::kBlue);
        Print(grid_, 10, 8, "1    ", colours::kWhite, colours::kBlack);
    }

    // The entry screen in its place: text in the look the prompt ended in, and fields.
    void DrawEntryScreen() {
        Print(grid_, 7, 5, "          ", colours::kYellow, colours::kBlue);
        Print(grid_, 10, 8, "     ", colours::kYellow, colours::kBlue);
        Print(grid_, 6, 3, "Terminale: 1", colours::kYellow, colours::kBlue);
        Print(grid_, 3, 6, "Codice:", colours::kYellow, colours::kBlue);
        Print(grid_, 3, 7, std::string(18, ' '), colours::kWhite, colours::kBlack);
        Print(grid_, 3, 15, "F1 pulisci", colours::kYellow, colours::kBlue);
    }

    std::unique_ptr<PseudoTerminalStdio> pty_;
    std::vector<std::string> failures_;
    AnsiScreen screen_{kColumns, kRows, GetParam().erases_in_colour};
    NcursesTerminal terminal_;
    CellGrid grid_{24, 20};
};

TEST_P(TerminalShowsTheGridTest, AfterEveryChangeOfScreenCursorAndTitle) {
    terminal_.Attach();
    terminal_.SetTitle("Demo");
    Show("the first frame, all in the console's plain look", kHidden);

    DrawTerminalPrompt();
    Show("the terminal prompt, its field's cursor shown", CursorState{true, false, 10, 8});

    DrawEntryScreen();
    Show("the entry screen", CursorState{true, false, 3, 7});

    grid_.Set(3, 7, Cell{U'A', colours::kWhite, colours::kBlack});
    Show("a key typed in overwrite mode", CursorState{true, true, 4, 7});

    terminal_.SetTitle("Altro");
    Print(grid_, 3, 16, "F3", colours::kLightRed, colours::kBlue);
    Print(grid_, 5, 16, " archivio", colours::kYellow, colours::kBlue);
    Show("bright text after a new title, the cursor hidden", kHidden);

    Print(grid_, 3, 17, "x", colours::kLightGray, colours::kBlack);
    Print(grid_, 24, 20, "z", colours::kBlack, colours::kLightGray);
    Print(grid_, 4, 17, "y", colours::kYellow, colours::kBlue);
    Show("plain text after bright, and the bottom-right cell", CursorState{true, false, 3, 7});
}

TEST_P(TerminalShowsTheGridTest, AfterAResizeEverythingIsDrawnAgain) {
    terminal_.Attach();
    DrawTerminalPrompt();
    Show("before the resize", CursorState{true, false, 10, 8});

    // The terminal reflows or clears what it showed when it changes size.
    pty_->Resize(kColumns - 10, kRows);
    screen_.Scribble(U'#');
    std::raise(SIGWINCH);
    pty_->Type("k");
    Check(terminal_.ReadKey() == 'k', "the key typed is read");
    ExpectShows("after the resize");
}

// A process stopped by SIGSTOP, which it cannot catch, comes back to a terminal the shell
// has used meanwhile.
TEST_P(TerminalShowsTheGridTest, AfterAStopEverythingIsDrawnAgain) {
    terminal_.Attach();
    DrawEntryScreen();
    Show("before the stop", CursorState{true, false, 3, 7});

    screen_.Scribble(U'#');
    std::raise(SIGCONT);
    pty_->Type("k");
    Check(terminal_.ReadKey() == 'k', "the key typed is read");
    ExpectShows("after the stop");
}

INSTANTIATE_TEST_SUITE_P(Terms, TerminalShowsTheGridTest, ::testing::ValuesIn(kTermCases),
                         [](const auto& info) { return std::string(info.param.label); });

// Handhelds' VT100/VT220 terminals with an ASCII or ISO-8859-1 locale.
struct EightBitCase {
    const char* label;
    const char* locale;
    const char* term;
    std::string line_set_on, line_set_off;  // smacs, rmacs
    std::string pero;                       // "PERÒ" as the terminal gets it
    std::vector<KeyCode> keys;              // from Esc+S, ò, PF1 and F6, each one write
};

void PrintTo(const EightBitCase& eight_bit_case, std::ostream* out) {
    *out << eight_bit_case.label;
}

const std::vector<KeyCode> kLatin1Keys = {keys::kEsc, 'S', 0xF2, keys::kF1, keys::kF6};
const std::vector<KeyCode> kAsciiKeys = {keys::kEsc, 'S', keys::kF1, keys::kF6};
const std::vector<EightBitCase> kEightBitCases = {
    {"AsciiVt100", "C", "vt100", "\x0e", "\x0f", "PERO", kAsciiKeys},
    {"AsciiVt220", "C", "vt220", "\x1b(0", "\x1b(B", "PERO", kAsciiKeys},
    {"Latin1Vt100", "it_IT.ISO-8859-1", "vt100", "\x0e", "\x0f", "PER\xD2", kLatin1Keys},
    {"Latin1Vt220", "it_IT.ISO-8859-1", "vt220", "\x1b(0", "\x1b(B", "PER\xD2", kLatin1Keys},
};

class EightBitTerminalTest : public ::testing::TestWithParam<EightBitCase> {
  protected:
    // Made with localedef where the system has no such locale.
    void SetUp() override {
        if (::newlocale(LC_CTYPE_MASK, GetParam().locale, nullptr) == nullptr) {
            const std::string make = "localedef -i it_IT -f ISO-8859-1 " +
                                     locales_.File(GetParam().locale) + " >/dev/null 2>&1";
            ASSERT_EQ(std::system(make.c_str()), 0) << make;
            ::setenv("LOCPATH", locales_.Path().c_str(), 1);
        }
        ::setenv("LC_ALL", GetParam().locale, 1);
        ::setenv("TERM", GetParam().term, 1);
    }
    void TearDown() override {
        ::unsetenv("LC_ALL");
        ::unsetenv("LOCPATH");
    }

    testing::TempDir locales_;
};

TEST_P(EightBitTerminalTest, FramesComeFromTheLineSetTextAndKeysFromTheLocalesSet) {
    std::string sent;
    std::vector<KeyCode> read;
    {
        PseudoTerminalStdio pty(80, 24);
        NcursesTerminal terminal;
        terminal.Attach();
        CellGrid grid(24, 20);
        DrawBox(grid, Rect{1, 1, 10, 4}, LineStyle::kDouble, Cell{}, Cell{});
        WriteText(grid, 2, 2, "PER\xD2", Cell{}, 9);
        terminal.Present(grid, kHidden);
        sent = pty.Received();
        // 'q' ends the keys, so a key lost cannot leave the test waiting.
        for (const char* typed : {"\x1bS", "\xF2", "\x1bOP", "\x1b[17~", "q"}) {
            pty.Type(typed);
        }
        for (KeyCode key = terminal.ReadKey(); key != 'q'; key = terminal.ReadKey()) {
            read.push_back(key);
        }
        terminal.Detach();
    }
    // The double lines fall back to the single ones VT100-class terminals have.
    const EightBitCase& c = GetParam();
    EXPECT_NE(sent.find(c.line_set_on + "lqqqqqqqqk" + c.line_set_off), std::string::npos)
        << ::testing::PrintToString(sent);
    EXPECT_NE(sent.find(c.line_set_on + "x" + c.line_set_off + c.pero), std::string::npos)
        << ::testing::PrintToString(sent);
    // No other byte above 0x7F: the set's Ò, or nothing.
    auto high_bytes = [](std::string bytes) {
        std::erase_if(bytes, [](char byte) { return (byte & 0x80) == 0; });
        return bytes;
    };
    EXPECT_EQ(high_bytes(sent), high_bytes(c.pero));
    EXPECT_EQ(read, c.keys);
}

INSTANTIATE_TEST_SUITE_P(Sets, EightBitTerminalTest, ::testing::ValuesIn(kEightBitCases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace tavix::console
