// What the real terminal shows must be what the console drew: at every step of flows that
// visit every screen, tmux's cells (characters, colours, attributes) and cursor equal the
// grid that the same keys give the program headless, under several terminal types.

#include <gtest/gtest.h>

#include <vector>

#include "flows.hpp"
#include "same_screens.hpp"

namespace tavix::testing {
namespace {

const std::vector<TermCase> kTerms = {
    {"Tmux256", "tmux-256color", 256},
    {"Xterm256", "xterm-256color", 256},
    // Eight colours: bright text is bold, a bright background its dark form.
    {"Screen8", "screen", 8},
};

class ScreenParityTest : public ::testing::TestWithParam<TermCase> {};

TEST_P(ScreenParityTest, StartUpMenuExitConfirmationAndDemonstrations) {
    EXPECT_TRUE(ShowsTheSameScreens(StartUpMenuAndDemonstrationsFlow(), GetParam(), {}));
}

TEST_P(ScreenParityTest, AcquisitionReadingsListAndArchive) {
    EXPECT_TRUE(
        ShowsTheSameScreens(AcquisitionListAndArchiveFlow(), GetParam(), ArchiveReadings()));
}

TEST_P(ScreenParityTest, EmptyArchiveBlankInputAndTheQuantityFieldsKeys) {
    EXPECT_TRUE(ShowsTheSameScreens(EmptyArchiveAndBlankInputFlow(), GetParam(), {}));
}

INSTANTIATE_TEST_SUITE_P(Terms, ScreenParityTest, ::testing::ValuesIn(kTerms),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace tavix::testing
