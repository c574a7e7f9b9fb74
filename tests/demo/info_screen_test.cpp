#include "demo/info_screen.hpp"

#include <gtest/gtest.h>

#include "console/colours.hpp"
#include "console/dispatch_ids.hpp"
#include "console/key_codes.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::demo {
namespace {

namespace keys = console::keys;
namespace colours = console::colours;
using console::DispatchId;
using testing::ProgramHarness;
using testing::RowsAre;

class InfoScreenTest : public ::testing::Test {
  protected:
    // Every key was read, so every check between them ran.
    void TearDown() override { EXPECT_EQ(Script().PendingKeys(), 0u); }

    console::ScriptedTerminal& Script() { return harness_.Terminal(); }
    const console::CellGrid& Cells() { return harness_.Cells(); }

    void ExpectInfoText() {
        // clang-format off
        EXPECT_TRUE(RowsAre(Cells(), 1, 1, {
            "╔═════════════════════╗",
            "║Questo applicativo e'║",
            "║scritto utilizzando  ║",
            "║Kalviro e Visual     ║",
            "║Basic. Puo' essere   ║",
            "║liberamente          ║",
            "║utilizzato e         ║",
            "║distribuito, al solo ║",
            "║fine di visualizzare ║",
            "║e provare le         ║",
            "║caratteristiche del  ║",
            "║pacchetto.           ║",
            "║                     ║",
            "║Premere ESC per      ║",
            "║continuare.          ║",
            "║                     ║",
            "║                     ║",
            "║                     ║",
            "╚═════════════════════╝",
        }));
        // clang-format on
    }

    ProgramHarness harness_;
};

TEST_F(InfoScreenTest, FillsTheWorkAreaWithTheWrappedTextUntilEsc) {
    harness_.Console().Put(DispatchId::kTextBoxSetting39, 5);
    // Whatever a screen left behind is covered.
    harness_.Console().PrintAt(2, 17, "leftover text here");
    Script().Then([&] {
        ExpectInfoText();
        EXPECT_EQ(Cells().At(2, 2).fg, colours::kYellow);
        EXPECT_EQ(Cells().At(22, 18).bg, colours::kBlue);
    });
    // The text fits the box: the scrolling keys move nothing.
    Script().Keys({keys::kDown, keys::kPageDown, keys::kEnd, 'x', keys::kEnter});
    Script().Then([&] { ExpectInfoText(); });
    Script().Key(keys::kEsc);
    ShowInfoScreen();

    ExpectInfoText();  // left for Main to clear
    EXPECT_EQ(harness_.Console().IntSetting(DispatchId::kTextBoxSetting39), 0);
    EXPECT_EQ(harness_.Console().TextBoxWidth, 21);
    EXPECT_EQ(harness_.Console().TextBoxHeight, 17);
}

}  // namespace
}  // namespace tavix::demo
