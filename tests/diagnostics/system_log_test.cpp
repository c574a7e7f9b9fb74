#include "diagnostics/system_log.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>

#include "system_log_socket.hpp"

namespace tavix::diagnostics {
namespace {

std::time_t LocalTime(int month, int day, int hour, int minute, int second) {
    std::tm moment{};
    moment.tm_year = 2026 - 1900;
    moment.tm_mon = month - 1;
    moment.tm_mday = day;
    moment.tm_hour = hour;
    moment.tm_min = minute;
    moment.tm_sec = second;
    moment.tm_isdst = -1;
    return std::mktime(&moment);
}

// The shape syslog(3) gives its records, which the journal and syslog daemons take apart into
// priority, time, identifier ("journalctl -t tavix") and process.
TEST(SystemLogRecordTest, HasThePriorityTheTimeTheIdentifierAndTheProcess) {
    EXPECT_EQ(SystemLogRecord(LocalTime(12, 7, 13, 31, 6), 4711, "step: reason"),
              "<11>Dec  7 13:31:06 tavix[4711]: step: reason");
    EXPECT_EQ(SystemLogRecord(LocalTime(3, 17, 9, 5, 0), 12, "x"),
              "<11>Mar 17 09:05:00 tavix[12]: x");
}

TEST(SendToSystemLogTest, SendsOneRecordToTheSocket) {
    testing::SystemLogSocket system_log;
    EXPECT_TRUE(SendToSystemLog("step: reason", system_log.Path()));
    const auto record = system_log.Receive();
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(record->starts_with("<11>")) << *record;
    EXPECT_TRUE(record->ends_with(" tavix[" + std::to_string(::getpid()) + "]: step: reason"))
        << *record;
    EXPECT_FALSE(system_log.HasRecord());
}

// No system log daemon (as in CI): the record is dropped, and the program goes on.
TEST(SendToSystemLogTest, WithoutASystemLogTheRecordIsDropped) {
    const testing::TempDir folder;
    EXPECT_FALSE(SendToSystemLog("step: reason", folder.File("no-log")));
    EXPECT_FALSE(SendToSystemLog("step: reason", std::string(200, 'x')));
}

// A system log that stopped reading: its queue fills, and from then on records are dropped at
// once instead of holding the program up (the test would hang there otherwise).
TEST(SendToSystemLogTest, ASystemLogThatReadsNothingNeverHoldsTheProgramUp) {
    testing::SystemLogSocket system_log;
    int taken = 0;
    while (taken < 1000000 && SendToSystemLog("step: reason", system_log.Path())) {
        ++taken;
    }
    EXPECT_GT(taken, 0);
    EXPECT_LT(taken, 1000000);
    EXPECT_FALSE(SendToSystemLog("step: reason", system_log.Path()));
    EXPECT_TRUE(system_log.Receive().has_value());
}

}  // namespace
}  // namespace tavix::diagnostics
