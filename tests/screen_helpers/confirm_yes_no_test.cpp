#include "screen_helpers/confirm_yes_no.hpp"

#include <gtest/gtest.h>

#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::screen_helpers {
namespace {

using console::DispatchId;
namespace keys = console::keys;
using testing::ProgramHarness;
using testing::RowsAre;

struct ConfirmYesNoTest : ::testing::Test {
    ProgramHarness program;
};

TEST_F(ConfirmYesNoTest, SAndNInEitherCaseAnswer) {
    const std::vector<std::pair<console::KeyCode, bool>> answers = {
        {'S', true}, {'s', true}, {'N', false}, {'n', false}};
    for (const auto& [key, expected] : answers) {
        program.Terminal().Key(key);
        EXPECT_EQ(ConfirmYesNo("Fine letture"), expected) << "key " << key;
    }
}

TEST_F(ConfirmYesNoTest, EveryOtherKeyIsIgnoredWhileThePopupStays) {
    program.Terminal().Then([&] {
        EXPECT_TRUE(RowsAre(
            program.Terminal().Screen(), 1, 9,
            {"╔══════════════════════╗", "║Confermi uscita (S/N)?║", "╚══════════════════════╝"}));
    });
    program.Terminal().Keys(
        {keys::kEsc, keys::kEnter, keys::kUp, keys::kF1, 'x', 'S' + 256, 'N' + 256, 0});
    program.Terminal().Then([&] {
        EXPECT_TRUE(RowsAre(program.Terminal().Screen(), 2, 10, {"Confermi uscita (S/N)?"}));
    });
    program.Terminal().Key('n');
    EXPECT_FALSE(ConfirmYesNo("Confermi uscita"));
    EXPECT_EQ(program.Terminal().PendingKeys(), 0u);
}

TEST_F(ConfirmYesNoTest, LeavesSettingsAndScreenAsFound) {
    console::TextConsole& console = program.Console();
    console.PrintAt(3, 10, "under the popup");
    console.Shadow = true;
    const console::CellGrid cells = console.Cells();
    const std::string state = console.SaveState();
    program.Terminal().Then([&] {
        // The question is drawn in the dialog's colours, but the setting is already back.
        EXPECT_EQ(program.Terminal().Screen().At(5, 10).bg,
                  console.SlotColour(DispatchId::kDialogBack));
        EXPECT_EQ(console.IntSetting(DispatchId::kPopupStyle), 0);
    });
    program.Terminal().Key('S');
    EXPECT_TRUE(ConfirmYesNo("Confermi uscita"));
    EXPECT_EQ(console.Cells(), cells);
    EXPECT_EQ(console.SaveState(), state);
}

}  // namespace
}  // namespace tavix::screen_helpers
