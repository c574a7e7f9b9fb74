#include "demo/colour_demo.hpp"

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
using console::Colour;
using testing::ProgramHarness;
using testing::RowsAre;

constexpr char32_t kMarker = U'\u25BA';

class ColourDemoTest : public ::testing::Test {
  protected:
    // Every key was read, so every check between them ran.
    void TearDown() override { EXPECT_EQ(Script().PendingKeys(), 0u); }

    console::ScriptedTerminal& Script() { return harness_.Terminal(); }
    const console::CellGrid& Cells() { return harness_.Cells(); }

    // The colour whose marker cell shows the triangle; -1 when none or more than one does.
    int MarkedColour() {
        int marked = -1;
        for (int colour = 0; colour < colours::kCount; ++colour) {
            const int x = colour % 2 == 0 ? 2 : 13;
            const console::Cell& cell = Cells().At(x, 3 + colour / 2);
            if (cell.glyph == kMarker) {
                if (marked != -1) {
                    return -1;
                }
                marked = colour;
            } else {
                EXPECT_EQ(cell.glyph, U' ') << "marker cell of colour " << colour;
            }
        }
        return marked;
    }

    void ExpectName(int row, const std::string& name, Colour fg, Colour bg) {
        EXPECT_TRUE(RowsAre(Cells(), 11, row, {name + std::string(12 - name.size(), ' ')}));
        for (const int x : {11, 22}) {
            EXPECT_EQ(Cells().At(x, row).fg, fg) << "row " << row << " column " << x;
            EXPECT_EQ(Cells().At(x, row).bg, bg) << "row " << row << " column " << x;
        }
    }

    void ExpectSample(Colour fg, Colour bg) {
        EXPECT_TRUE(RowsAre(Cells(), 2, 15, {"      TESTO  DI      ", "       ESEMPIO       "}));
        for (const auto& [x, y] : {std::pair{2, 15}, {10, 15}, {22, 16}}) {
            EXPECT_EQ(Cells().At(x, y).fg, fg) << "sample cell (" << x << ", " << y << ")";
            EXPECT_EQ(Cells().At(x, y).bg, bg) << "sample cell (" << x << ", " << y << ")";
        }
    }

    // One step of a walk: the key, then the colour under the marker and the chosen name.
    struct Step {
        console::KeyCode key;
        int marked;
        std::string name;
    };

    void Walk(const std::vector<Step>& steps, int name_row) {
        for (const Step& step : steps) {
            Script().Key(step.key).Then([this, step, name_row] {
                SCOPED_TRACE("key " + std::to_string(step.key) + " to " + step.name);
                EXPECT_EQ(MarkedColour(), step.marked);
                EXPECT_TRUE(RowsAre(Cells(), 11, name_row, {step.name}));
            });
        }
    }

    ProgramHarness harness_;
};

TEST_F(ColourDemoTest, StartsWithWhiteOnBlackAndTheMarkerOnWhite) {
    Script().Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 2, 2,
                            {
                                " Seleziona: P.Piano  ",
                                "                     ",
                                "                     ",
                                "                     ",
                                "                     ",
                                "                     ",
                                "                     ",
                                "                     ",
                                "           ►         ",
                                "                     ",
                                "P.Piano: WHITE       ",
                                "Sfondo:  BLACK       ",
                                "                     ",
                                "      TESTO  DI      ",
                                "       ESEMPIO       ",
                                "                     ",
                                " F1 cambia selezione ",
                            }));
        EXPECT_EQ(MarkedColour(), 15);
        for (int colour = 0; colour < colours::kCount; ++colour) {
            const int left = colour % 2 == 0 ? 3 : 14;
            const int row = 3 + colour / 2;
            EXPECT_EQ(Cells().At(left, row).bg, colour) << "swatch " << colour;
            EXPECT_EQ(Cells().At(left + 7, row).bg, colour) << "swatch " << colour;
        }
        EXPECT_EQ(Cells().At(11, 3).bg, colours::kBlue);  // between the two columns
        EXPECT_EQ(Cells().At(13, 10).fg, colours::kYellow);
        EXPECT_EQ(Cells().At(13, 10).bg, colours::kBlue);
        EXPECT_EQ(Cells().At(3, 2).fg, colours::kWhite);
        EXPECT_EQ(Cells().At(2, 12).fg, colours::kWhite);
        EXPECT_EQ(Cells().At(3, 18).fg, colours::kWhite);
        ExpectName(12, "WHITE", colours::kWhite, colours::kBlue);
        ExpectName(13, "BLACK", colours::kBlack, colours::kBlue);
        ExpectSample(colours::kWhite, colours::kBlack);
        EXPECT_EQ(harness_.Console().CursorMode, 0);
    });
    Script().Key(keys::kEsc);
    ColourDemo();
}

TEST_F(ColourDemoTest, MovesAreClampedAtBothEndsAndCrossColumnsThere) {
    Walk(
        {
            {keys::kRight, 15, "WHITE"},
            {keys::kDown, 15, "WHITE"},
            {keys::kLeft, 14, "YELLOW"},
            {keys::kDown, 15, "WHITE"},  // from 14 across to the right column
            {keys::kLeft, 14, "YELLOW"},
            {keys::kUp, 12, "LIGHTRED"},
            {keys::kUp, 10, "LIGHTGREEN"},
            {keys::kUp, 8, "DARKGRAY"},
            {keys::kUp, 6, "BROWN"},
            {keys::kUp, 4, "RED"},
            {keys::kUp, 2, "GREEN"},
            {keys::kUp, 0, "BLACK"},
            {keys::kUp, 0, "BLACK"},
            {keys::kLeft, 0, "BLACK"},
            {keys::kRight, 1, "BLUE"},
            {keys::kUp, 0, "BLACK"},  // from 1 across to the left column
            {keys::kRight, 1, "BLUE"},
            {keys::kRight, 2, "GREEN"},  // from the end of one row to the start of the next
            {keys::kLeft, 1, "BLUE"},
            {keys::kDown, 3, "CYAN"},
        },
        12);
    Script().Then([&] { ExpectSample(colours::kCyan, colours::kBlack); });
    Script().Key(keys::kEsc);
    ColourDemo();
}

TEST_F(ColourDemoTest, F1SwitchesWhichColourTheArrowsChoose) {
    Script().Key(keys::kF1).Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 3, 2, {"Seleziona: Sfondo  "}));
        EXPECT_EQ(MarkedColour(), 0);
        ExpectName(12, "WHITE", colours::kWhite, colours::kBlue);
        ExpectName(13, "BLACK", colours::kBlack, colours::kBlue);
        ExpectSample(colours::kWhite, colours::kBlack);
    });
    Walk({{keys::kRight, 1, "BLUE"}, {keys::kDown, 3, "CYAN"}, {keys::kLeft, 2, "GREEN"}}, 13);
    Script().Then([&] {
        ExpectName(12, "WHITE", colours::kWhite, colours::kBlue);
        ExpectSample(colours::kWhite, colours::kGreen);
    });
    Script().Key(keys::kF1).Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 3, 2, {"Seleziona: P.Piano "}));
        EXPECT_EQ(MarkedColour(), 15);
        ExpectName(13, "GREEN", colours::kGreen, colours::kBlue);
    });
    Walk({{keys::kUp, 13, "LIGHTMAGENTA"}}, 12);
    Script().Then([&] { ExpectSample(colours::kLightMagenta, colours::kGreen); });
    Script().Key(keys::kEsc);
    ColourDemo();
}

TEST_F(ColourDemoTest, BlueIsNamedOnYellowAndTheSampleMayBeInvisible) {
    // Foreground 1: fourteen steps left from 15.
    for (int step = 0; step < 14; ++step) {
        Script().Key(keys::kLeft);
    }
    Script().Then([&] {
        ExpectName(12, "BLUE", colours::kBlue, colours::kYellow);
        ExpectSample(colours::kBlue, colours::kBlack);
    });
    Script().Keys({keys::kF1, keys::kRight}).Then([&] {
        ExpectName(13, "BLUE", colours::kBlue, colours::kYellow);
        ExpectSample(colours::kBlue, colours::kBlue);
        EXPECT_EQ(Cells().At(2, 13).bg, colours::kBlue);  // the label keeps the screen's
    });
    Script().Key(keys::kEsc);
    ColourDemo();
}

TEST_F(ColourDemoTest, OtherKeysChangeNothingOnTheScreen) {
    // A mark that only a redraw of the sample would remove.
    Script().Then([&] { harness_.Console().MutableCells().Set(2, 15, console::Cell{U'X', 0, 0}); });
    Script().Keys({'a', keys::kEnter, keys::kF2, keys::kSpace, keys::kPageDown});
    Script().Then([&] {
        EXPECT_EQ(Cells().At(2, 15).glyph, U'X');
        EXPECT_EQ(MarkedColour(), 15);
    });
    Script().Key(keys::kUp).Then([&] {
        EXPECT_EQ(Cells().At(2, 15).glyph, U' ');
        EXPECT_EQ(MarkedColour(), 13);
    });
    Script().Key(keys::kEsc);
    ColourDemo();
}

TEST_F(ColourDemoTest, EscRestoresTheSchemeColoursAndANewVisitStartsAfresh) {
    Script().Keys({keys::kLeft, keys::kF1, keys::kDown, keys::kEsc});
    ColourDemo();
    EXPECT_EQ(harness_.Console().TextColor, colours::kYellow);
    EXPECT_EQ(harness_.Console().BackColor, colours::kBlue);
    // The demonstration stays on the screen for the menu to clear.
    ExpectSample(colours::kYellow, colours::kGreen);

    Script().Then([&] {
        EXPECT_TRUE(RowsAre(Cells(), 3, 2, {"Seleziona: P.Piano"}));
        EXPECT_EQ(MarkedColour(), 15);
        ExpectName(12, "WHITE", colours::kWhite, colours::kBlue);
        ExpectName(13, "BLACK", colours::kBlack, colours::kBlue);
        ExpectSample(colours::kWhite, colours::kBlack);
    });
    Script().Key(keys::kEsc);
    ColourDemo();
}

}  // namespace
}  // namespace tavix::demo
