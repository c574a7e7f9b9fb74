#include "diagnostics/log_line.hpp"

#include <gtest/gtest.h>

#include <ctime>

namespace tavix::diagnostics {
namespace {

TEST(FailureTextTest, IsTheStepAndTheReasonOnOneLineWithoutPasswords) {
    EXPECT_EQ(
        FailureText("opening the readings database", "postgresql://u:secret@db/t: cannot connect"),
        "opening the readings database: postgresql://u:***@db/t: cannot connect");
    EXPECT_EQ(FailureText("opening", "postgresql:///t?password=***: cannot connect"),
              "opening: postgresql:///t?password=***: cannot connect");
    EXPECT_EQ(FailureText("step", "first line\nsecond\r\tthird\x7f"),
              "step: first line second  third ");
    // A password the line break would have cut off from its key is still found.
    EXPECT_EQ(FailureText("connecting", "password=\nsecret"), "connecting: password= ***");
    EXPECT_EQ(FailureText("code", "\xc3\xa8 stays"), "code: \xc3\xa8 stays");
}

TEST(FileLineTest, StartsWithTheLocalTimeAndTheProcessAndEndsTheLine) {
    std::tm moment{};
    moment.tm_year = 2026 - 1900;
    moment.tm_mon = 11;
    moment.tm_mday = 7;
    moment.tm_hour = 13;
    moment.tm_min = 31;
    moment.tm_sec = 6;
    moment.tm_isdst = -1;
    EXPECT_EQ(FileLine(std::mktime(&moment), 4711, "step: reason"),
              "2026-12-07 13:31:06 tavix[4711]: step: reason\n");
}

}  // namespace
}  // namespace tavix::diagnostics
