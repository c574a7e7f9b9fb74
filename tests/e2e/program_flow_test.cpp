// The real program in a real terminal: start-up, the main menu, the exit confirmation and
// one round of acquisition, as an operator would see them.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {
namespace {

// The program opens tavix.mdb beside its executable, so each test runs its own copy.
class ProgramFolder {
  public:
    explicit ProgramFolder(bool with_database) {
        std::filesystem::copy_file(TAVIX_BINARY, folder_.File("tavix"));
        if (with_database) {
            const std::string init =
                std::string(TAVIX_ADMIN_BINARY) + " init " + Database() + " >/dev/null";
            EXPECT_EQ(std::system(init.c_str()), 0);
        }
    }
    std::string Command() const {
        return "cd " + folder_.Path() + " && ./tavix; echo rc=$?; read x";
    }
    std::string Database() const { return folder_.File("tavix.mdb"); }

    // code|qt|terminal of every reading, in the order stored.
    std::vector<std::string> Readings() const {
        sqlite3* db = nullptr;
        sqlite3_open_v2(Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT code || '|' || qt || '|' || terminal || '|' || "
                           "((julianday('now', 'localtime') - julianday(DateTime)) * 86400 < 120) "
                           "FROM Readings ORDER BY rowid",
                           -1, &statement, nullptr);
        std::vector<std::string> rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

  private:
    TempDir folder_;
};

bool RowIs(const TmuxSession& tmux, int row, const std::string& text) {
    return tmux.WaitFor([&](const std::vector<std::string>& lines) {
        return static_cast<int>(lines.size()) >= row && lines[row - 1] == text;
    });
}

const std::vector<std::pair<int, std::string>> kMenuRows = {
    {3, "║ Inizia              ║"},
    {5, "║ Codici dei tasti    ║"},
    {7, "║ Colori              ║"},
    {9, "║ Esci                ║"},
};

void ExpectMainMenu(const TmuxSession& tmux, const std::string& description) {
    for (const auto& [row, text] : kMenuRows) {
        EXPECT_TRUE(RowIs(tmux, row, text)) << tmux.Screen();
    }
    EXPECT_TRUE(RowIs(tmux, 18, "║" + description + "║")) << tmux.Screen();
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
    ProgramFolder program(true);
    TmuxSession tmux(program.Command(), Size());
    ASSERT_TRUE(tmux.WaitForText("Questo applicativo e'")) << tmux.Screen();
    const std::vector<std::string> info = {
        "Questo applicativo e'", "scritto utilizzando",  "Kalviro e Visual",
        "Basic. Puo' essere",    "liberamente",          "utilizzato e",
        "distribuito, al solo",  "fine di visualizzare", "e provare le",
        "caratteristiche del",   "pacchetto.",           "",
        "Premere ESC per",       "continuare."};
    for (size_t i = 0; i < info.size(); ++i) {
        std::string row = "║" + info[i] + std::string(21 - info[i].size(), ' ') + "║";
        EXPECT_TRUE(RowIs(tmux, static_cast<int>(i) + 2, row)) << tmux.Screen();
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
    ProgramFolder program(false);
    TmuxSession tmux(program.Command(), Size());
    PassStartUp(tmux);
    ExpectMainMenu(tmux, "Acquisizione cod./qt ");
    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForText("Confermi uscita (S/N)?"));
    tmux.SendKey("s");
    EXPECT_TRUE(tmux.WaitForText("rc=0")) << tmux.Screen();
    EXPECT_FALSE(std::filesystem::exists(program.Database()));
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
    ProgramFolder program(true);
    TmuxOptions options;
    options.columns = 24;
    options.rows = 20;
    TmuxSession tmux(program.Command(), options);
    PassStartUp(tmux);
    tmux.SendKey("i");
    ASSERT_TRUE(RowIs(tmux, 5, "║     Terminale:      ║")) << tmux.Screen();
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
    ASSERT_TRUE(RowIs(tmux, 12, "║ Digita codice       ║")) << tmux.Screen();
    EXPECT_EQ(program.Readings(), (std::vector<std::string>{"ABC123|12.0|3|1", "X9|0.0|3|1"}));

    tmux.SendKey("Escape");
    ASSERT_TRUE(RowIs(tmux, 8, "║        3            ║")) << tmux.Screen();
    tmux.SendKey("Escape");
    ASSERT_TRUE(tmux.WaitForText("Fine letture (S/N)?")) << tmux.Screen();
    tmux.SendKey("S");
    ASSERT_TRUE(tmux.WaitForText("Acquisizione cod./qt")) << tmux.Screen();
}

}  // namespace
}  // namespace tavix::testing
