// The real program and its database file: the file removed or replaced under the running
// program, and texts outside ASCII as the file holds them for other programs.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "running_program.hpp"
#include "support/admin_process.hpp"
#include "support/sqlite_file.hpp"

namespace tavix::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kBrowserCodeRow = 4;
constexpr int kTerminalLabelRow = 5;

std::vector<std::string> CodesIn(const std::string& path) {
    const FileState state = ReadDatabase(path);
    EXPECT_TRUE(state.opened) << path;
    EXPECT_EQ(state.integrity, "ok") << path;
    std::vector<std::string> codes;
    for (const StoredReading& reading : state.readings) {
        codes.push_back(reading.code);
    }
    return codes;
}

bool LeftBeside(const std::string& path) {
    return fs::exists(path + "-wal") || fs::exists(path + "-shm");
}

class DatabaseFileTest : public ::testing::Test {
  protected:
    // A confirmed reading, up to the empty code field that follows it.
    bool Store(const std::string& code) {
        if (!program_.EnterCode(code)) {
            return false;
        }
        program_.SendQuantity("1");
        return program_.WaitForEmptyCodeField();
    }

    // A confirmed reading the program says it could not store; Ok leads to the main menu,
    // and from there back to the entry screen of terminal 1.
    bool StoreFailsAndEntryReopens(const std::string& code) {
        if (!program_.EnterCode(code)) {
            return false;
        }
        program_.SendQuantity("1");
        if (!program_.Session().WaitForText("salvata!")) {
            return false;
        }
        program_.Session().SendKey("Enter");
        if (!program_.Session().WaitForText("Inizia")) {
            return false;
        }
        program_.Session().SendText("i");
        if (!WaitForTerminalPrompt()) {
            return false;
        }
        program_.Session().SendKey("Enter");
        return program_.WaitForEmptyCodeField();
    }

    bool WaitForTerminalPrompt() {
        return program_.Session().WaitFor([](const std::vector<std::string>& lines) {
            return FrameRow(lines, kTerminalLabelRow) == "Terminale:";
        });
    }

    bool LeaveWithStatusZero() {
        return program_.Leave() && program_.Session().WaitForText("rc=0");
    }

    ProgramFolder folder_;
    std::string path_ = folder_.DatabasePath();
    RunningProgram program_{folder_};
};

TEST_F(DatabaseFileTest, AFileRemovedUnderTheProgramIsNotWrittenAndANewOneIsUsedOnceMade) {
    ASSERT_TRUE(program_.OpenEntryScreen("1")) << program_.Screen();
    ASSERT_TRUE(Store("A")) << program_.Screen();
    fs::remove(path_);
    ASSERT_TRUE(StoreFailsAndEntryReopens("B")) << program_.Screen();
    EXPECT_FALSE(LeftBeside(path_)) << "the old log would trip up tavix-admin init";
    const AdminResult init = RunAdmin({"init", path_});
    ASSERT_EQ(init.exit_status, 0) << init.err;
    ASSERT_TRUE(Store("C")) << program_.Screen();
    ASSERT_TRUE(LeaveWithStatusZero()) << program_.Screen();
    EXPECT_EQ(CodesIn(path_), std::vector<std::string>{"C"});
    EXPECT_FALSE(LeftBeside(path_));
}

TEST_F(DatabaseFileTest, AFileReplacedUnderTheProgramKeepsItsOwnReadingsAndGetsTheNextOnes) {
    const std::string other = folder_.Path() + "/other.mdb";
    fs::copy_file(path_, other);
    SqliteFile(other).Run("INSERT INTO Readings (code, qt, terminal) VALUES ('THEIRS', 5, '9')");
    ASSERT_TRUE(program_.OpenEntryScreen("1")) << program_.Screen();
    ASSERT_TRUE(Store("A")) << program_.Screen();
    fs::rename(other, path_);
    ASSERT_TRUE(StoreFailsAndEntryReopens("B")) << program_.Screen();
    ASSERT_TRUE(Store("C")) << program_.Screen();
    ASSERT_TRUE(LeaveWithStatusZero()) << program_.Screen();
    EXPECT_EQ(CodesIn(path_), (std::vector<std::string>{"THEIRS", "C"}));
    EXPECT_FALSE(LeftBeside(path_));
}

// Typed letters outside ASCII reach the file as UTF-8; another program's UTF-8 is shown and
// found as typed.
TEST_F(DatabaseFileTest, LettersOutsideAsciiAreUtf8InTheFileAndFoundAsTyped) {
    SqliteFile(path_).Run(
        "INSERT INTO Readings (code, qt, terminal) VALUES ('ZUCCA', 1, '9'), "
        "('CAFÉ', 2, '9')");
    ASSERT_TRUE(program_.OpenEntryScreen("1")) << program_.Screen();
    program_.Session().SendText("però\r");  // the code field takes capitals
    ASSERT_TRUE(program_.Session().WaitFor([](const std::vector<std::string>& lines) {
        return FrameRow(lines, 7) == "PERÒ" && FrameRow(lines, 12) == "Digita quantita'";
    })) << program_.Screen();
    program_.SendQuantity("1");
    ASSERT_TRUE(program_.WaitForEmptyCodeField()) << program_.Screen();

    program_.Session().SendKey("F3");
    ASSERT_TRUE(program_.Session().WaitFor([](const std::vector<std::string>& lines) {
        return FrameRow(lines, kBrowserCodeRow) == "ZUCCA";
    })) << program_.Screen();
    program_.Session().SendKey("F3");
    ASSERT_TRUE(program_.Session().WaitForText("Codice:")) << program_.Screen();
    program_.Session().SendText("café\r");
    ASSERT_TRUE(program_.Session().WaitFor([](const std::vector<std::string>& lines) {
        return FrameRow(lines, kBrowserCodeRow) == "CAFÉ";
    })) << program_.Screen();
    program_.Session().SendKey("Right");  // code order: CAFÉ, PERÒ, ZUCCA
    ASSERT_TRUE(program_.Session().WaitFor([](const std::vector<std::string>& lines) {
        return FrameRow(lines, kBrowserCodeRow) == "PERÒ";
    })) << program_.Screen();
    program_.Session().SendKey("Escape");  // the browser ends the code field it interrupted
    ASSERT_TRUE(WaitForTerminalPrompt()) << program_.Screen();
    program_.Session().SendKey("Enter");
    ASSERT_TRUE(program_.WaitForEmptyCodeField()) << program_.Screen();
    ASSERT_TRUE(LeaveWithStatusZero()) << program_.Screen();
    EXPECT_EQ(CodesIn(path_), (std::vector<std::string>{"ZUCCA", "CAFÉ", "PERÒ"}));
}

}  // namespace
}  // namespace tavix::testing
