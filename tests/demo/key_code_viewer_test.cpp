#include "demo/key_code_viewer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/colours.hpp"
#include "console/key_codes.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::demo {
namespace {

namespace keys = console::keys;
namespace colours = console::colours;
using testing::ProgramHarness;
using testing::RowsAre;

// What the three value rows show for one key.
struct Shown {
    std::string code;       // row 5, from the label on
    std::string character;  // row 7, from the label on
    std::string name;       // row 10, 20 columns
};

class KeyCodeViewerTest : public ::testing::Test {
  protected:
    // Every key was read, so every check between them ran.
    void TearDown() override { EXPECT_EQ(Script().PendingKeys(), 0u); }

    console::ScriptedTerminal& Script() { return harness_.Terminal(); }
    const console::CellGrid& Cells() { return harness_.Cells(); }

    void ExpectShown(const Shown& shown) {
        EXPECT_TRUE(RowsAre(Cells(), 3, 5, {shown.code}));
        EXPECT_TRUE(RowsAre(Cells(), 3, 7, {shown.character}));
        EXPECT_TRUE(RowsAre(Cells(), 3, 10, {shown.name}));
    }

    // Presses key, checks what it shows, and leaves the viewer with Esc at the end.
    void PressAndExpect(console::KeyCode key, const Shown& shown) {
        Script().Key(key).Then([this, key, shown] {
            SCOPED_TRACE("key " + std::to_string(key));
            ExpectShown(shown);
        });
    }

    void ExpectCellColour(int x, int y, console::Colour fg) {
        EXPECT_EQ(Cells().At(x, y).fg, fg) << "cell (" << x << ", " << y << ")";
        EXPECT_EQ(Cells().At(x, y).bg, colours::kBlue) << "cell (" << x << ", " << y << ")";
    }

    ProgramHarness harness_;
};

TEST_F(KeyCodeViewerTest, DrawsItsLabelsInTheWorkAreaBeforeTheFirstKey) {
    Script().Then([&] {
        // clang-format off
        EXPECT_TRUE(RowsAre(Cells(), 1, 1, {
            "╔═════════════════════╗",
            "║                     ║",
            "║ = Premere un tasto =║",
            "║                     ║",
            "║ Tasto:              ║",
            "║                     ║",
            "║ ASCII:              ║",
            "║                     ║",
            "║ Costante:           ║",
            "║                     ║",
            "║                     ║",
            "║                     ║",
            "║                     ║",
            "║                     ║",
            "║     (ESC esce)      ║",
            "║                     ║",
            "║                     ║",
            "║                     ║",
            "╚═════════════════════╝",
        }));
        // clang-format on
        ExpectCellColour(3, 3, colours::kWhite);
        ExpectCellColour(22, 3, colours::kWhite);
        ExpectCellColour(3, 5, colours::kYellow);
        ExpectCellColour(3, 7, colours::kYellow);
        ExpectCellColour(3, 9, colours::kYellow);
        ExpectCellColour(7, 15, colours::kLightRed);
    });
    Script().Key(keys::kEsc);
    KeyCodeViewer();
}

TEST_F(KeyCodeViewerTest, ShowsCodeCharacterAndNameOfEachKey) {
    PressAndExpect(keys::kSpace, {"Tasto: 032", "ASCII: [ND]", "K_SPACE             "});
    PressAndExpect('!', {"Tasto: 033", "ASCII: !   ", "[ND]                "});
    PressAndExpect(keys::kEnter, {"Tasto: 013", "ASCII: [ND]", "K_ENTER             "});
    PressAndExpect(keys::kBackspace, {"Tasto: 008", "ASCII: [ND]", "K_BACKSPACE         "});
    PressAndExpect(keys::kF1, {"Tasto: 315", "ASCII: [ND]", "K_F1                "});
    Script().Key(keys::kEsc);
    KeyCodeViewer();
}

TEST_F(KeyCodeViewerTest, ShowsCharactersFrom33To254Only) {
    PressAndExpect(254, {"Tasto: 254", "ASCII: þ   ", "[ND]                "});
    PressAndExpect(255, {"Tasto: 255", "ASCII: [ND]", "[ND]                "});
    Script().Key(keys::kEsc);
    KeyCodeViewer();
}

TEST_F(KeyCodeViewerTest, AShortValueLeavesNoTraceOfALongerOne) {
    PressAndExpect(keys::kCtrlEnter, {"Tasto: 010", "ASCII: [ND]", "K_CTRL_RETURN       "});
    PressAndExpect(keys::kUp, {"Tasto: 328", "ASCII: [ND]", "K_UP                "});
    PressAndExpect('a', {"Tasto: 097", "ASCII: a   ", "[ND]                "});
    Script().Then([&] {
        // The name field reaches the frame and nothing more.
        EXPECT_TRUE(RowsAre(Cells(), 2, 10, {" [ND]                ║"}));
    });
    Script().Key(keys::kEsc);
    KeyCodeViewer();
}

TEST_F(KeyCodeViewerTest, ShowsEachValueInItsOwnColour) {
    Script().Key('!').Then([&] {
        ExpectCellColour(10, 5, colours::kLightMagenta);
        ExpectCellColour(12, 5, colours::kLightMagenta);
        ExpectCellColour(10, 7, colours::kLightGreen);
        ExpectCellColour(13, 7, colours::kLightGreen);
        ExpectCellColour(3, 10, colours::kLightCyan);
        ExpectCellColour(22, 10, colours::kLightCyan);
        ExpectCellColour(3, 9, colours::kYellow);  // the labels keep theirs
    });
    Script().Key(keys::kEsc);
    KeyCodeViewer();
}

TEST_F(KeyCodeViewerTest, EscIsShownThenEndsTheScreenWithTheSchemeTextColour) {
    Script().Keys({keys::kF5, keys::kEsc});
    const int discards_before = Script().DiscardCount();
    KeyCodeViewer();

    ExpectShown({"Tasto: 027", "ASCII: [ND]", "K_ESC               "});
    EXPECT_EQ(harness_.Console().TextColor, colours::kYellow);
    EXPECT_EQ(harness_.Console().BackColor, colours::kBlue);
    EXPECT_EQ(Script().DiscardCount(), discards_before + 1);  // type-ahead flushed
}

}  // namespace
}  // namespace tavix::demo
