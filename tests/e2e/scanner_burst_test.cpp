// A scanner types whole readings faster than the screen is drawn. The program reads the keys
// waiting without a frame each: every reading of the burst must still be stored, in order,
// and the screen must catch up with the last key.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "running_program.hpp"

namespace tavix::testing {
namespace {

constexpr int kReadings = 40;

std::string CodeOf(int reading) {
    char code[8];
    std::snprintf(code, sizeof code, "S%02d", reading);
    return code;
}

TEST(ScannerBurstTest, EveryReadingIsStoredInOrderAndTheScreenCatchesUp) {
    const ProgramFolder program;
    RunningProgram running(program);
    ASSERT_TRUE(running.OpenEntryScreen("7")) << running.Screen();

    // One write: the program finds every key already waiting.
    std::string burst;
    for (int reading = 1; reading <= kReadings; ++reading) {
        burst += CodeOf(reading) + "\r" + std::to_string(reading) + "\r";
    }
    running.Session().SendText(burst + "LAST");
    ASSERT_TRUE(running.WaitForCodeField("LAST")) << running.Screen();

    ASSERT_TRUE(running.Leave()) << running.Screen();
    ASSERT_TRUE(running.Session().WaitForText("rc=0")) << running.Screen();
    const FileState file = ReadDatabase(program.DatabasePath());
    ASSERT_TRUE(file.opened);
    ASSERT_EQ(file.readings.size(), static_cast<std::size_t>(kReadings));
    for (int reading = 1; reading <= kReadings; ++reading) {
        const StoredReading& stored = file.readings[static_cast<std::size_t>(reading - 1)];
        EXPECT_EQ(stored.code, CodeOf(reading));
        EXPECT_EQ(stored.Quantity(), reading);
        EXPECT_EQ(stored.terminal, "7");
    }
}

}  // namespace
}  // namespace tavix::testing
