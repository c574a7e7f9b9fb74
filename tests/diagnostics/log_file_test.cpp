#include "diagnostics/log_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "support/temp_dir.hpp"

namespace tavix::diagnostics {
namespace {

using testing::TempDir;

std::string Contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

TEST(AppendToFileTest, CreatesTheFileAndAppendsToWhatIsThere) {
    const TempDir folder;
    const std::string path = folder.File("tavix.log");
    EXPECT_EQ(AppendToFile(path, "first\n"), std::nullopt);
    EXPECT_EQ(AppendToFile(path, "second\n"), std::nullopt);
    EXPECT_EQ(Contents(path), "first\nsecond\n");
}

TEST(AppendToFileTest, SaysWhyWhenTheFileCannotBeWritten) {
    const TempDir folder;
    EXPECT_EQ(AppendToFile(folder.File("no-such-folder/tavix.log"), "line\n"),
              "No such file or directory");
    EXPECT_EQ(AppendToFile(folder.Path(), "line\n"), "Is a directory");
}

// A named pipe nobody reads would hold the program up for ever on open.
TEST(AppendToFileTest, ANamedPipeWithoutAReaderIsAFailureNotAWait) {
    const TempDir folder;
    const std::string path = folder.File("pipe");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(AppendToFile(path, "line\n"), "No such device or address");
}

TEST(AppendToFileTest, NeverWritesToATerminal) {
    const int controller = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(controller, 0);
    ASSERT_EQ(::grantpt(controller), 0);
    ASSERT_EQ(::unlockpt(controller), 0);
    const std::string terminal = ::ptsname(controller);
    // Held open, so that the controller reads "nothing yet" rather than "hung up".
    const int screen = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(screen, 0);
    EXPECT_EQ(AppendToFile(terminal, "line\n"),
              "it is a terminal, and the log never goes to the screen");
    char byte = 0;
    EXPECT_EQ(::read(controller, &byte, 1), -1);
    EXPECT_EQ(errno, EAGAIN);
    ::close(screen);
    ::close(controller);
}

// Several programs share one log: each line arrives whole, never mixed with another's.
TEST(AppendToFileTest, LinesOfProgramsWritingAtOnceNeverMix) {
    const TempDir folder;
    const std::string path = folder.File("tavix.log");
    constexpr int kWriters = 4;
    constexpr int kLines = 300;
    for (int writer = 0; writer < kWriters; ++writer) {
        if (::fork() == 0) {
            const std::string line(3000, static_cast<char>('a' + writer));
            for (int i = 0; i < kLines; ++i) {
                if (AppendToFile(path, line + "\n")) {
                    std::_Exit(1);
                }
            }
            std::_Exit(0);
        }
    }
    for (int writer = 0; writer < kWriters; ++writer) {
        int status = -1;
        ::wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::ifstream log(path);
    std::map<char, int> whole_lines;
    for (std::string line; std::getline(log, line);) {
        ASSERT_EQ(line, std::string(3000, line.front()));
        ++whole_lines[line.front()];
    }
    EXPECT_EQ(whole_lines,
              (std::map<char, int>{{'a', kLines}, {'b', kLines}, {'c', kLines}, {'d', kLines}}));
}

}  // namespace
}  // namespace tavix::diagnostics
