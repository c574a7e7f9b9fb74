// Two programs acquire into one file at the same time, their typing interleaved and their
// quantities' Enters typed at the same moment, so that their commits meet at the file's write
// lock: afterwards every reading of both is there, once, with its own terminal.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "running_program.hpp"

namespace tavix::testing {
namespace {

constexpr int kRounds = 10;

struct Typed {
    int qt = 0;
    std::string terminal;
};

TEST(SharedFileTest, TwoProgramsAcquiringAtOnceStoreEveryReadingOnce) {
    const ProgramFolder program;
    RunningProgram first(program);
    RunningProgram second(program);
    ASSERT_TRUE(first.OpenEntryScreen("1")) << first.Screen();
    ASSERT_TRUE(second.OpenEntryScreen("2")) << second.Screen();

    std::map<std::string, Typed> typed;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Each round the other program starts, so neither always commits first.
        RunningProgram& leader = round % 2 == 0 ? first : second;
        RunningProgram& follower = round % 2 == 0 ? second : first;
        const std::string leader_terminal = round % 2 == 0 ? "1" : "2";
        const std::string follower_terminal = round % 2 == 0 ? "2" : "1";
        const std::string leader_code = "T" + leader_terminal + "R" + std::to_string(round);
        const std::string follower_code = "T" + follower_terminal + "R" + std::to_string(round);
        const int leader_qt = round + 1;
        const int follower_qt = 100 + round;

        ASSERT_TRUE(leader.EnterCode(leader_code)) << leader.Screen();
        ASSERT_TRUE(follower.EnterCode(follower_code)) << follower.Screen();
        std::thread other_enter([&] { follower.SendQuantity(std::to_string(follower_qt)); });
        leader.SendQuantity(std::to_string(leader_qt));
        other_enter.join();
        ASSERT_TRUE(leader.WaitForEmptyCodeField()) << leader.Screen();
        ASSERT_TRUE(follower.WaitForEmptyCodeField()) << follower.Screen();
        typed[leader_code] = {leader_qt, leader_terminal};
        typed[follower_code] = {follower_qt, follower_terminal};
    }
    ASSERT_TRUE(first.Leave()) << first.Screen();
    ASSERT_TRUE(second.Leave()) << second.Screen();
    ASSERT_TRUE(first.Session().WaitForText("rc=0")) << first.Screen();
    ASSERT_TRUE(second.Session().WaitForText("rc=0")) << second.Screen();

    EXPECT_FALSE(std::filesystem::exists(program.DatabasePath() + "-wal"));
    const FileState file = ReadDatabase(program.DatabasePath());
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.integrity, "ok");
    EXPECT_EQ(file.readings.size(), typed.size());
    std::map<std::string, int> copies;
    for (const StoredReading& reading : file.readings) {
        ++copies[reading.code];
        const auto found = typed.find(reading.code);
        if (found == typed.end()) {
            ADD_FAILURE() << "nobody typed " << reading.code;
            continue;
        }
        EXPECT_EQ(reading.Quantity(), found->second.qt) << reading.code;
        EXPECT_EQ(reading.terminal, found->second.terminal) << reading.code;
    }
    for (const auto& [code, reading] : typed) {
        EXPECT_EQ(copies[code], 1) << code;
    }
}

}  // namespace
}  // namespace tavix::testing
