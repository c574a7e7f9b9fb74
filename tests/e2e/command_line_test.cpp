// The real program's command line and diagnostic log: help, version and refusals answer
// without a terminal; --database and TAVIX_DATABASE choose the file the readings go to;
// TAVIX_LOG and --log take the failures, and the screen stays exactly what it was.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "running_program.hpp"
#include "support/program_environment.hpp"

namespace tavix::testing {
namespace {

namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// The texts of a log file's lines, after their time and process.
std::vector<std::string> LoggedTexts(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> texts;
    for (std::string line; std::getline(file, line);) {
        texts.push_back(line.substr(line.find("]: ") + 3));
    }
    return texts;
}

struct Answer {
    int status = -1;
    std::string out;
    std::string err;
};

// The program with these arguments, its standard input from nothing and its output into
// files: no terminal anywhere, so whatever answers did not need one.
Answer RunWithoutTerminal(const ProgramFolder& folder, const std::string& arguments) {
    ClearProgramEnvironment();
    const std::string out = folder.Path() + "/out";
    const std::string err = folder.Path() + "/err";
    const std::string command = "cd '" + folder.Path() + "' && ./tavix " + arguments +
                                " </dev/null >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(out), Contents(err)};
}

TEST(CommandLineTest, HelpVersionAndRefusalsAnswerWithoutATerminal) {
    const ProgramFolder folder;
    const Answer version = RunWithoutTerminal(folder, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tavix 1.0\n");
    EXPECT_EQ(version.err, "");

    const Answer help = RunWithoutTerminal(folder, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--database TARGET"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");

    const std::string usage =
        "usage: tavix [--database TARGET] [--forward URI] [--spool FILE] [--log FILE]\n";
    const Answer unknown = RunWithoutTerminal(folder, "--bogus");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_TRUE(unknown.err.starts_with("tavix: unknown option --bogus\n" + usage)) << unknown.err;

    for (const std::string& target :
         {std::string("''"), folder.Path(), folder.Path() + "/no/x.mdb"}) {
        const Answer refused = RunWithoutTerminal(folder, "--database " + target);
        EXPECT_EQ(refused.status, 2) << target;
        EXPECT_TRUE(refused.err.starts_with("tavix: --database: ")) << refused.err;
        EXPECT_NE(refused.err.find(usage), std::string::npos) << refused.err;
    }
    const Answer from_environment = RunWithoutTerminal(folder, "");
    EXPECT_EQ(from_environment.status, 1) << "without a terminal the program must not run";
}

// The message of a reading not stored, captured with its colours, and the log it leaves.
struct NotStoredRun {
    std::string screen;
    std::vector<std::string> log;
};

NotStoredRun RunReadingNotStored(const ProgramFolder& folder, const std::string& environment,
                                 const std::string& arguments, const std::string& log) {
    RunningProgram program(folder, environment, "printf '\\r\\nrc=%d\\r\\n' $?; read line",
                           arguments);
    NotStoredRun run;
    EXPECT_TRUE(program.OpenEntryScreen("7")) << program.Screen();
    EXPECT_TRUE(program.EnterCode("A1")) << program.Screen();
    program.SendQuantity("3");
    EXPECT_TRUE(program.Session().WaitForText("salvata!")) << program.Screen();
    EXPECT_TRUE(program.Session().WaitForStableScreen());
    run.screen = program.Session().ScreenWithColours();
    program.Session().SendKey("Enter");
    EXPECT_TRUE(program.Session().WaitForText("Inizia")) << program.Screen();
    program.Session().SendKey("Escape");
    EXPECT_TRUE(program.Session().WaitForText("Confermi uscita")) << program.Screen();
    program.Session().SendText("S");
    EXPECT_TRUE(program.Session().WaitForText("rc=0")) << program.Screen();
    run.log = LoggedTexts(log);
    return run;
}

// The same reading not stored, once with nothing chosen and once with the options: the same
// screen to the last colour, and the log in the file the options name.
TEST(CommandLineTest, AReadingNotStoredIsLoggedInTheChosenFileAndTheScreenIsTheSame) {
    const ProgramFolder plain;
    fs::remove(plain.DatabasePath());
    const NotStoredRun before = RunReadingNotStored(plain, "", "", plain.Path() + "/none.log");

    const ProgramFolder chosen;
    const std::string missing = chosen.Path() + "/elsewhere.mdb";
    const std::string log = chosen.Path() + "/tavix.log";
    const NotStoredRun after =
        RunReadingNotStored(chosen, "TAVIX_LOG='" + log + "'", "--database '" + missing + "'", log);

    EXPECT_EQ(after.screen, before.screen);
    EXPECT_EQ(before.log, std::vector<std::string>{});
    ASSERT_EQ(after.log.size(), 1u) << ::testing::PrintToString(after.log);
    EXPECT_EQ(after.log[0], "storing a reading (terminal 7, code A1, quantity 3): not stored: " +
                                missing + ": cannot open the database: the file does not exist " +
                                "(create an empty one with: tavix-admin init " + missing + ")");
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(fs::exists(chosen.DatabasePath())) << "the file beside the program was touched";
}

TEST(CommandLineTest, TheReadingsGoToTheFileTheOptionNamesOverTheEnvironment) {
    const ProgramFolder folder;
    const std::string chosen = folder.Path() + "/chosen.mdb";
    const std::string from_environment = folder.Path() + "/environment.mdb";
    fs::copy_file(folder.DatabasePath(), chosen);
    fs::copy_file(folder.DatabasePath(), from_environment);
    const std::string log = folder.Path() + "/tavix.log";
    RunningProgram program(folder, "TAVIX_DATABASE='" + from_environment + "'",
                           "printf '\\r\\nrc=%d\\r\\n' $?; read line",
                           "--database '" + chosen + "' --log '" + log + "'");
    ASSERT_TRUE(program.OpenEntryScreen("2")) << program.Screen();
    ASSERT_TRUE(program.EnterCode("CHOSEN")) << program.Screen();
    program.SendQuantity("1");
    ASSERT_TRUE(program.WaitForEmptyCodeField()) << program.Screen();
    ASSERT_TRUE(program.Leave()) << program.Screen();
    ASSERT_TRUE(program.Session().WaitForText("rc=0")) << program.Screen();

    const FileState state = ReadDatabase(chosen);
    ASSERT_EQ(state.readings.size(), 1u);
    EXPECT_EQ(state.readings[0].code, "CHOSEN");
    EXPECT_TRUE(ReadDatabase(from_environment).readings.empty());
    EXPECT_TRUE(ReadDatabase(folder.DatabasePath()).readings.empty());
    EXPECT_EQ(Contents(log), "") << "a session without failures logs nothing";
}

}  // namespace
}  // namespace tavix::testing
