// A scanner's burst that meets a reading the program cannot store: the rest of the burst must
// not answer "Lettura non salvata!" before the operator has seen it, nor run on into the
// screens the failure leads back to.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "running_program.hpp"
#include "support/settled_pane.hpp"

namespace tavix::testing {
namespace {

using namespace std::chrono_literals;

TEST(BurstAfterFailureTest, TheMessageWaitsForTheOperatorAndTheRestOfTheBurstIsDropped) {
    const ProgramFolder program;
    // Without its file every reading fails.
    ASSERT_EQ(std::remove(program.DatabasePath().c_str()), 0);
    RunningProgram running(program);
    ASSERT_TRUE(running.OpenEntryScreen("7")) << running.Screen();

    SettledPane pane(running.Session(), 20s);
    pane.ExpectKey();
    running.Session().SendText("AAA\r1\rBBB\r1\rCCC\r1\r");
    const auto [snapshot, settled] = pane.Wait();
    ASSERT_TRUE(settled) << running.Screen();
    EXPECT_NE(snapshot.capture.find("Lettura non salvata!"), std::string::npos) << running.Screen();

    // The operator's Enter takes the message away; the failure leads back to the main menu.
    running.Session().SendKey("Enter");
    EXPECT_TRUE(running.Session().WaitForText("Inizia")) << running.Screen();
}

}  // namespace
}  // namespace tavix::testing
