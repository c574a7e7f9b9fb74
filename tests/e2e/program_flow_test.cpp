// The real program in a real terminal: start-up, the main menu, the exit confirmation and
// one round of acquisition, as an operator would see them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/program_folder.hpp"
#include "support/sqlite_file.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {
namespace {

// The program run by the shell of a tmux pane, which then tells its exit status and stays.
std::string RunCommand(const ProgramFolder& program) {
    return program.Command("", "echo rc=$?; read x");
}

// code|qt|terminal|stamped in the last two minutes, of every reading in the order stored.
std::vector<std::string> ReadingsIn(const ProgramFolder& program) {
    SqliteFile file(program.DatabasePath(), SqliteFile::Open::kReadOnly);
    std::vector<std::string> readings;
    for (const auto& row :
         file.Rows("SELECT code || '|' || qt || '|' || terminal || '|' || "
                   "((julianday('now', 'localtime') - julianday(DateTime)) * 86400 < 120) "
                   "FROM Readings ORDER BY rowid")) {
        readings.push_back(row.front());
    }
    return readings;
}

const std::vector<std::pair<int, std::string>> kMenuRows = {
    {3, "║ Inizia              ║"},
    {5, "║ Codici dei tasti    ║"},
    {7, "║ Colori              ║"},
    {9, "║ Esci                ║"},
};

void ExpectMainMenu(const TmuxSession& tmux, const std::string& description) {
    for (const auto& [row, text] : kMenuRows) {
        EXPECT_TRUE(tmux.WaitForLine(row, text)) << tmux.Screen();
    }
    EXPECT_TRUE(tmux.WaitForLine(18, "║" + description + "║")) << tmux.Screen();
}

void PassStartUp(TmuxSession& tmux) {
    ASSERT_TRUE(tmux.WaitForText("Premere ESC per")) << tmux.Screen();
    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForText("Demo Tavix v1.0")) << tmux.Screen();
    tmux.SendKey("x");
    ASSERT_TRUE(tmux.WaitForText("Acquisizione cod./qt")) << tmux.Screen();
}

struct ProgramFlowTest : ::testing::TestWithParam<std::pair<int, int>> {
    void SetUp() override {
        if (!TmuxAvailable()) {
            GTEST_SKIP() << "tmux is not installed";
        }
    }
    TmuxOptions Size() const {
        TmuxOptions options;
        options.columns = GetParam().first;
        options.rows = GetParam().second;
        return options;
    }
};

TEST_P(ProgramFlowTest, StartUpMenuAndConfirmedExit) {
    const ProgramFolder program;
    TmuxSession tmux(RunCommand(program), Size());
    ASSERT_TRUE(tmux.WaitForText("Questo applicativo e'")) << tmux.Screen();
    const std::vector<std::string> info = {
        "Questo applicativo e'", "scritto utilizzando",  "Kalviro e Visual",
        "Basic. Puo' essere",    "liberamente",          "utilizzato e",
        "distribuito, al solo",  "fine di visualizzare", "e provare le",
        "caratteristiche del",   "pacchetto.",           "",
        "Premere ESC per",       "continuare."};
    for (size_t i = 0; i < info.size(); ++i) {
        std::string row = "║" + info[i] + std::string(21 - info[i].size(), ' ') + "║";
        EXPECT_TRUE(tmux.WaitForLine(static_cast<int>(i) + 2, row)) << tmux.Screen();
    }
    PassStartUp(tmux);
    ExpectMainMenu(tmux, "Acquisizione cod./qt ");

    tmux.SendKey("Down");
    ASSERT_TRUE(tmux.WaitForText("Mostra codici tasti"));
    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForText("Confermi uscita (S/N)?")) << tmux.Screen();
    tmux.SendKey("n");
    ExpectMainMenu(tmux, "Mostra codici tasti  ");

    tmux.SendKey("e");
    ASSERT_TRUE(tmux.WaitForText("Confermi uscita (S/N)?")) << tmux.Screen();
    tmux.SendKey("S");
    EXPECT_TRUE(tmux.WaitForText("rc=0")) << tmux.Screen();
    EXPECT_EQ(tmux.Screen().find("Inizia"), std::string::npos);  // the shell's screen is back
}

TEST_P(ProgramFlowTest, WithoutADatabaseTheProgramStartsAsUsual) {
    const ProgramFolder program(ProgramFolder::Database::kMissing);
    TmuxSession tmux(RunCommand(program), Size());
    PassStartUp(tmux);
    ExpectMainMenu(tmux, "Acquisizione cod./qt ");
    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForText("Confermi uscita (S/N)?"));
    tmux.SendKey("n");
    ExpectMainMenu(tmux, "Acquisizione cod./qt ");
    // Esc and the answer in one write, as keys typed quickly arrive over a radio link or SSH.
    tmux.SendText("\x1bs");
    EXPECT_TRUE(tmux.WaitForText("rc=0")) << tmux.Screen();
    EXPECT_FALSE(std::filesystem::exists(program.DatabasePath()));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProgramFlowTest,
                         ::testing::Values(std::make_pair(80, 25), std::make_pair(24, 20)),
                         [](const auto& size) {
                             return std::to_string(size.param.first) + "x" +
                                    std::to_string(size.param.second);
                         });

TEST(ProgramAcquisitionTest, TwoReadingsTypedAreInTheFileAtOnce) {
    if (!TmuxAvailable()) {
        GTEST_SKIP() << "tmux is not installed";
    }
    const ProgramFolder program;
    TmuxOptions options;
    options.columns = 24;
    options.rows = 20;
    TmuxSession tmux(RunCommand(program), options);
    PassStartUp(tmux);
    tmux.SendKey("i");
    ASSERT_TRUE(tmux.WaitForLine(5, "║     Terminale:      ║")) << tmux.Screen();
    tmux.SendText("3");
    tmux.SendKey("Enter");
    ASSERT_TRUE(tmux.WaitForText("Terminale: 3")) << tmux.Screen();
    for (const std::string key : {"ABC123", "\r", "12", "\r", "X9", "Down", "0", "Up"}) {
        if (key == "\r") {
            tmux.SendKey("Enter");
        } else if (key == "Down" || key == "Up") {
            tmux.SendKey(key);
        } else {
            tmux.SendText(key);
        }
        ASSERT_TRUE(tmux.WaitForStableScreen());
    }
    ASSERT_TRUE(tmux.WaitForLine(12, "║ Digita codice       ║")) << tmux.Screen();
    EXPECT_EQ(ReadingsIn(program), (std::vector<std::string>{"ABC123|12.0|3|1", "X9|0.0|3|1"}));

    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForLine(8, "║        3            ║")) << tmux.Screen();
    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForText("Fine letture (S/N)?")) << tmux.Screen();
    tmux.SendKey("S");
    ASSERT_TRUE(tmux.WaitForText("Acquisizione cod./qt")) << tmux.Screen();
}

}  // namespace
}  // namespace tavix::testing
