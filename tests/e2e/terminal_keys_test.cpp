// The real terminal backend in tmux: every key of the program's vocabulary as tmux types
// it, colours and glyphs, termination signals and resizes, under several TERMs.

#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "support/tmux_session.hpp"

namespace tavix::testing {
namespace {

constexpr const char* kFixture = TAVIX_KEYS_FIXTURE;

struct KeyPress {
    const char* tmux_key;
    int code;
    bool literal = false;  // typed as text rather than named
};

// Ctrl+Enter is typed as C-j: tmux 3.3a sends nothing at all for C-Enter, and 10 is the
// byte a terminal sends for it.
constexpr std::array kKeyPresses = {
    KeyPress{"F1", 315},      KeyPress{"F2", 316},      KeyPress{"F3", 317},
    KeyPress{"F4", 318},      KeyPress{"F5", 319},      KeyPress{"F6", 320},
    KeyPress{"F7", 321},      KeyPress{"F8", 322},      KeyPress{"F9", 323},
    KeyPress{"F10", 324},     KeyPress{"F11", 389},     KeyPress{"F12", 390},
    KeyPress{"Up", 328},      KeyPress{"Down", 336},    KeyPress{"Left", 331},
    KeyPress{"Right", 333},   KeyPress{"Home", 327},    KeyPress{"End", 335},
    KeyPress{"PPage", 329},   KeyPress{"NPage", 337},   KeyPress{"IC", 338},
    KeyPress{"DC", 339},      KeyPress{"BSpace", 8},    KeyPress{"Escape", 27},
    KeyPress{"Enter", 13},    KeyPress{"Tab", 9},       KeyPress{"BTab", 271},
    KeyPress{"Space", 32},    KeyPress{"C-s", 19},      KeyPress{"C-b", 2},
    KeyPress{"C-e", 5},       KeyPress{"C-l", 12},      KeyPress{"C-n", 14},
    KeyPress{"C-w", 23},      KeyPress{"C-y", 25},      KeyPress{"C-z", 26},
    KeyPress{"C-c", 3},       KeyPress{"C-j", 10},      KeyPress{"C-Up", 397},
    KeyPress{"C-Down", 401},  KeyPress{"C-Left", 371},  KeyPress{"C-Right", 372},
    KeyPress{"C-Home", 375},  KeyPress{"C-End", 373},   KeyPress{"C-PPage", 388},
    KeyPress{"C-NPage", 374}, KeyPress{"è", 232, true}, KeyPress{"!", 33, true},
};

// Each press must change the screen, or a lost key could pass for the one before.
constexpr bool NeighboursDiffer() {
    for (std::size_t i = 1; i < kKeyPresses.size(); ++i) {
        if (kKeyPresses[i].code == kKeyPresses[i - 1].code) {
            return false;
        }
    }
    return true;
}
static_assert(NeighboursDiffer());

struct TermCase {
    const char* label;
    const char* term;  // "" for tmux's default
    // SGR sequences capture-pane shows for yellow on blue and for white on light red.
    std::vector<std::string> yellow_on_blue;
    std::vector<std::string> white_on_light_red;
    bool takes_a_title = true;
};

const std::vector<TermCase> kTermCases = {
    {"TmuxDefault", "", {"\x1b[93m", "\x1b[44m"}, {"\x1b[97m", "\x1b[101m"}},
    {"Xterm256", "xterm-256color", {"\x1b[93m", "\x1b[44m"}, {"\x1b[97m", "\x1b[101m"}},
    // Eight colours: bold stands for bright text, a bright background takes its dark form.
    {"Screen8Colours", "screen", {"\x1b[1m", "\x1b[33m", "\x1b[44m"}, {"\x1b[1m", "\x1b[41m"}},
    // A handheld's terminal type: no colours, its keys read as on an xterm.
    {"Vt220", "vt220", {}, {}, false},
};

// Test names and messages show the case's label.
void PrintTo(const TermCase& term_case, std::ostream* out) {
    *out << term_case.label;
}

std::string KeyLine(int code) {
    return "key " + std::to_string(code);
}
std::string CountLine(int count) {
    return "keys " + std::to_string(count);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// The command, then its exit status on the screen. The shell stays (reading a line): once a
// pane dies, tmux scrolls the screen up a line to say so, and the status could go with it.
std::string ReportingExit(const std::string& command) {
    return command + "; echo rc=$?; read line";
}

// The number of keys the fixture has read, or 0 before the first.
int CountOnScreen(const TmuxSession& session) {
    const std::string line = session.Line(2);
    const std::string prefix = "keys ";
    return line.starts_with(prefix) ? std::stoi(line.substr(prefix.size())) : 0;
}

class TerminalKeysTest : public ::testing::TestWithParam<TermCase> {
  protected:
    TmuxOptions Options() const {
        TmuxOptions options;
        options.term = GetParam().term;
        return options;
    }
};

TEST_P(TerminalKeysTest, EveryKeyOfTheVocabularyGivesItsCode) {
    TmuxSession session(ReportingExit(kFixture), Options());
    ASSERT_TRUE(session.WaitForText("ready")) << session.Screen();
    EXPECT_EQ(session.PaneTitle() == "Tavix keys", GetParam().takes_a_title);
    int count = 0;
    for (const KeyPress& press : kKeyPresses) {
        SCOPED_TRACE(press.tmux_key);
        // One key per call: tmux writes a whole call at once, and Escape followed by a
        // letter in one write is a single sequence to any terminal program.
        if (press.literal) {
            session.SendText(press.tmux_key);
        } else {
            session.SendKey(press.tmux_key);
        }
        ++count;
        const bool shown = session.WaitFor([&](const std::vector<std::string>& lines) {
            return LineIs(lines, 1, KeyLine(press.code)) && LineIs(lines, 2, CountLine(count));
        });
        if (!shown) {
            ADD_FAILURE() << "expected " << KeyLine(press.code) << " as key " << count
                          << ", the screen shows:\n"
                          << session.Screen();
            // Count from what arrived, so one lost or doubled key fails only itself.
            count = CountOnScreen(session);
        }
    }
    session.SendText("q");
    EXPECT_TRUE(session.WaitForText("rc=0")) << session.Screen();
}

TEST_P(TerminalKeysTest, ColoursAndGlyphsFollowTheTerminal) {
    TmuxSession session(kFixture, Options());
    ASSERT_TRUE(session.WaitForText("ready")) << session.Screen();
    EXPECT_EQ(session.Line(3), "yellow on blue");
    EXPECT_EQ(session.Line(4), "\u25BA \u00E8 \u20AC");
    const std::vector<std::string> rows = SplitLines(session.ScreenWithColours());
    ASSERT_GE(rows.size(), 4u);
    for (const std::string& sgr : GetParam().yellow_on_blue) {
        EXPECT_NE(rows[2].find(sgr), std::string::npos)
            << ::testing::PrintToString(sgr) << " not in " << ::testing::PrintToString(rows[2]);
    }
    for (const std::string& sgr : GetParam().white_on_light_red) {
        EXPECT_NE(rows[3].find(sgr), std::string::npos)
            << ::testing::PrintToString(sgr) << " not in " << ::testing::PrintToString(rows[3]);
    }
}

INSTANTIATE_TEST_SUITE_P(Terms, TerminalKeysTest, ::testing::ValuesIn(kTermCases),
                         [](const auto& info) { return std::string(info.param.label); });

struct SignalCase {
    const char* label;
    int signal;
};

void PrintTo(const SignalCase& signal_case, std::ostream* out) {
    *out << signal_case.label;
}

class TerminalSignalTest : public ::testing::TestWithParam<SignalCase> {};

// The shell around the fixture reports its exit status and whether the terminal modes came
// back as they were, then stays (reading a line) so that the pane's cursor and title can be
// read as the fixture left them.
std::string CommandReportingTheTerminal() {
    return std::string("printf '\\033]2;before\\007'; before=$(stty -g); ") + kFixture +
           "; echo rc=$?; "
           "if [ \"$(stty -g)\" = \"$before\" ]; then echo modes kept; else echo modes changed; "
           "fi; stty -a | grep -o -- '-*icanon'; echo report done; read line";
}

TEST_P(TerminalSignalTest, ASignalLeavesTheTerminalAsItWas) {
    TmuxSession session(CommandReportingTheTerminal());
    ASSERT_TRUE(session.WaitForText("ready")) << session.Screen();
    session.SendKey("F1");
    ASSERT_TRUE(session.WaitForText(KeyLine(315))) << session.Screen();
    const std::vector<pid_t> fixture = ChildProcesses(session.PanePid());
    ASSERT_EQ(fixture.size(), 1u);
    ASSERT_EQ(::kill(fixture[0], GetParam().signal), 0);

    ASSERT_TRUE(session.WaitForText("report done")) << session.Screen();
    const std::string screen = session.Screen();
    EXPECT_NE(screen.find("rc=" + std::to_string(128 + GetParam().signal)), std::string::npos)
        << screen;
    EXPECT_NE(screen.find("modes kept"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("-icanon"), std::string::npos) << screen;
    EXPECT_EQ(session.Format("#{alternate_on}"), "0");
    EXPECT_EQ(session.Format("#{cursor_flag}"), "1");
    EXPECT_EQ(session.PaneTitle(), "before");
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalSignalTest,
                         ::testing::Values(SignalCase{"Term", SIGTERM}, SignalCase{"Hup", SIGHUP},
                                           SignalCase{"Int", SIGINT}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(TerminalResizeTest, TheScreenSurvivesShrinkingAndGrowing) {
    TmuxOptions options;
    options.columns = 30;
    options.rows = 24;
    TmuxSession session(kFixture, options);
    ASSERT_TRUE(session.WaitForText("ready")) << session.Screen();
    session.SendKey("F1");
    ASSERT_TRUE(session.WaitForText(KeyLine(315))) << session.Screen();

    // Too few rows: the rows that fit, and the notice on the bottom row.
    session.Resize(40, 12);
    EXPECT_TRUE(session.WaitFor([](const std::vector<std::string>& lines) {
        return lines.size() == 12 && LineIs(lines, 1, KeyLine(315)) &&
               LineIs(lines, 3, "yellow on blue") &&
               LineIs(lines, 12, "Schermo piccolo: servono 24x20");
    })) << session.Screen();

    // Keys still come while the terminal is small.
    session.SendKey("Up");
    EXPECT_TRUE(session.WaitFor([](const std::vector<std::string>& lines) {
        return LineIs(lines, 1, KeyLine(328)) && LineIs(lines, 2, CountLine(2));
    })) << session.Screen();

    // Too narrow for the whole notice: its short form.
    session.Resize(16, 24);
    EXPECT_TRUE(session.WaitFor([](const std::vector<std::string>& lines) {
        return lines.size() == 24 && LineIs(lines, 1, KeyLine(328)) &&
               LineIs(lines, 24, "Servono 24x20");
    })) << session.Screen();

    session.Resize(30, 24);
    EXPECT_TRUE(session.WaitFor([](const std::vector<std::string>& lines) {
        return lines.size() == 24 && LineIs(lines, 1, KeyLine(328)) &&
               LineIs(lines, 2, CountLine(2)) && LineIs(lines, 3, "yellow on blue") &&
               LineIs(lines, 4, "\u25BA \u00E8 \u20AC") && LineIs(lines, 24, "");
    })) << session.Screen();
}

}  // namespace
}  // namespace tavix::testing
