#include "diagnostics/diagnostic_log.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "system_log_socket.hpp"

namespace tavix::diagnostics {
namespace {

using Kind = LogDestination::Kind;

TEST(ChooseLogDestinationTest, TheOptionThenTheEnvironmentElseTheSystemLog) {
    EXPECT_EQ(ChooseLogDestination("", nullptr), (LogDestination{Kind::kSystemLog, ""}));
    EXPECT_EQ(ChooseLogDestination("", ""), (LogDestination{Kind::kSystemLog, ""}));
    EXPECT_EQ(ChooseLogDestination("", "/var/log/env.log"),
              (LogDestination{Kind::kFile, "/var/log/env.log"}));
    EXPECT_EQ(ChooseLogDestination("option.log", "/var/log/env.log"),
              (LogDestination{Kind::kFile, "option.log"}));
    EXPECT_EQ(ChooseLogDestination("option.log", nullptr),
              (LogDestination{Kind::kFile, "option.log"}));
}

class DiagnosticLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSystemLogSocket(system_log.Path());
        ::testing::internal::CaptureStderr();
    }
    void TearDown() override {
        // Nothing ever goes to the screen.
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        SendLogTo({});
        SetSystemLogSocket("");
    }

    std::vector<std::string> FileLines() const {
        std::ifstream file(log_file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The text of the next system log record after its header, or "" when none came.
    std::string SystemLogText() {
        const std::string prefix = " tavix[" + std::to_string(::getpid()) + "]: ";
        const auto record = system_log.Receive();
        if (!record || record->find(prefix) == std::string::npos) {
            return "";
        }
        return record->substr(record->find(prefix) + prefix.size());
    }

    testing::SystemLogSocket system_log;
    testing::TempDir folder;
    std::string log_file = folder.File("tavix.log");
};

TEST_F(DiagnosticLogTest, TheSystemLogIsWhereLinesGoUnlessAFileIsNamed) {
    SendLogTo(ChooseLogDestination("", nullptr));
    LogFailure("opening the readings database", "/srv/tavix.mdb: cannot open: no such file");
    EXPECT_EQ(SystemLogText(),
              "opening the readings database: /srv/tavix.mdb: cannot open: no such file");
    EXPECT_FALSE(system_log.HasRecord());
}

TEST_F(DiagnosticLogTest, AFileGetsOneLineWithTimeProcessStepAndReasonPasswordMasked) {
    SendLogTo({Kind::kFile, log_file});
    LogFailure("opening the readings database",
               "postgresql://tavix:secret@db/tavix: cannot connect\nserver closed");
    LogFailure("archive: deleting the reading shown", "the record is gone");
    const std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 2u);
    const std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d tavix\[(\d+)\]: (.*))");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(lines[0], parts, shape)) << lines[0];
    EXPECT_EQ(parts[1], std::to_string(::getpid()));
    EXPECT_EQ(parts[2],
              "opening the readings database: postgresql://tavix:***@db/tavix: cannot connect "
              "server closed");
    EXPECT_TRUE(lines[1].ends_with("]: archive: deleting the reading shown: the record is gone"));
    EXPECT_FALSE(system_log.HasRecord());
}

// The line is not lost for want of the file: the system log gets it, saying why.
TEST_F(DiagnosticLogTest, ALineTheFileDoesNotTakeGoesToTheSystemLog) {
    const std::string unwritable = folder.File("no-such-folder/tavix.log");
    SendLogTo({Kind::kFile, unwritable});
    LogFailure("step", "reason");
    EXPECT_EQ(SystemLogText(), "step: reason (not written to the log file " + unwritable +
                                   ": No such file or directory)");
}

// Neither the file nor the system log: the line is lost and the program goes on.
TEST_F(DiagnosticLogTest, ALogThatCannotBeWrittenAtAllStopsNothing) {
    SetSystemLogSocket(folder.File("no-system-log"));
    SendLogTo({Kind::kFile, folder.File("no-such-folder/tavix.log")});
    LogFailure("step", "reason");
    LogFailure("step", std::string(1 << 20, 'x'));
    EXPECT_FALSE(system_log.HasRecord());
}

TEST_F(DiagnosticLogTest, AFailureThrownOnIsLoggedOnceWhereItWasFirstLogged) {
    SendLogTo({Kind::kFile, log_file});
    try {
        try {
            throw std::runtime_error("disk full");
        } catch (const std::exception&) {
            LogCurrentFailure("storing a reading");
            throw;
        }
    } catch (const std::exception&) {
        LogCurrentFailure("acquisition");
    }
    try {
        throw std::runtime_error("disk full");
    } catch (const std::exception&) {
        LogCurrentFailure("storing a reading");
    }
    try {
        throw 7;
    } catch (...) {
        LogCurrentFailure("odd step");
    }
    const std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].ends_with("]: storing a reading: disk full")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with("]: storing a reading: disk full")) << lines[1];
    EXPECT_TRUE(lines[2].ends_with("]: odd step: a failure that gives no reason")) << lines[2];
}

}  // namespace
}  // namespace tavix::diagnostics
