#include "program/main_program.hpp"

#include <gtest/gtest.h>

#include "program/executable_path.hpp"
#include "program/process_end.hpp"
#include "screen_helpers/main_form.hpp"
#include "screen_helpers/shared_state.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::program {
namespace {

using screen_helpers::AppFolder;
using screen_helpers::DatabasePath;
using screen_helpers::ReadingsDb;
using screen_helpers::ReadingsSet;
using screen_helpers::SetTerminalFactory;

namespace keys = console::keys;
using testing::ProgramHarness;
using testing::RowsAre;

const std::vector<std::string> kMenuRows = {
    "Inizia          ", "                ", "Codici dei tasti", "                ",
    "Colori          ", "                ", "Esci            "};

struct MainProgramTest : ::testing::Test {
    ProgramHarness program{ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain};
    console::ScriptedTerminal& terminal = program.Terminal();

    const console::CellGrid& Screen() const { return terminal.Screen(); }

    // Esc leaves the information screen, any key the splash.
    void PassStartUp() { terminal.Keys({keys::kEsc, 'x'}); }
    void ConfirmExit() { terminal.Keys({keys::kEsc, 'S'}); }

    // The row of the main menu whose item carries the highlight.
    int HighlightedRow() const {
        const console::Colour bar = console::colours::kLightGray;
        for (int row = 3; row <= 9; ++row) {
            if (Screen().At(3, row).bg == bar && Screen().At(18, row).bg == bar) {
                return row;
            }
        }
        return 0;
    }
};

TEST_F(MainProgramTest, StartsWithInformationScreenSplashAndMenu) {
    terminal.Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 1, 1, {"╔═════════════════════╗"}));
        EXPECT_TRUE(RowsAre(Screen(), 2, 2, {"Questo applicativo e'", "scritto utilizzando  "}));
        EXPECT_TRUE(RowsAre(Screen(), 2, 15, {"continuare.          "}));
        EXPECT_EQ(terminal.Title(), "Demo in Kalviro");
        EXPECT_EQ(Screen().Columns(), 24);
        EXPECT_EQ(Screen().Rows(), 20);
    });
    terminal.Key(keys::kEsc).Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 4, 9,
                            {"╔═══════════════╗", "║Demo Tavix v1.0║", "╚═══════════════╝"}));
        EXPECT_FALSE(terminal.Cursor().visible);
    });
    terminal.Key('x').Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 3, 3, kMenuRows));
        EXPECT_TRUE(RowsAre(Screen(), 2, 18, {"Acquisizione cod./qt "}));
        EXPECT_EQ(Screen().At(2, 3), (console::Cell{U' ', 14, 1}));
        EXPECT_EQ(HighlightedRow(), 3);
    });
    ConfirmExit();
    EXPECT_EQ(program.RunMain(), 0);
    EXPECT_EQ(terminal.DetachCount(), 1);
    EXPECT_FALSE(ReadingsSet.has_value());
    EXPECT_FALSE(ReadingsDb.has_value());
}

TEST_F(MainProgramTest, EscThenNoShowsTheMenuAgainOnTheSameItem) {
    PassStartUp();
    terminal.Keys({keys::kDown, keys::kEsc}).Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 2, 10, {"Confermi uscita (S/N)?"}));
    });
    terminal.Key('N').Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 3, 3, kMenuRows));
        EXPECT_EQ(HighlightedRow(), 5);
        EXPECT_TRUE(RowsAre(Screen(), 2, 18, {"Mostra codici tasti  "}));
    });
    ConfirmExit();
    EXPECT_EQ(program.RunMain(), 0);
}

TEST_F(MainProgramTest, ExitItemThenNoKeepsTheExitItemHighlighted) {
    PassStartUp();
    terminal.Key('e').Then(
        [&] { EXPECT_TRUE(RowsAre(Screen(), 2, 10, {"Confermi uscita (S/N)?"})); });
    terminal.Key('n').Then([&] { EXPECT_EQ(HighlightedRow(), 9); });
    terminal.Keys({keys::kEnter, 's'});
    EXPECT_EQ(program.RunMain(), 0);
    EXPECT_EQ(terminal.PendingKeys(), 0u);
}

TEST_F(MainProgramTest, AfterAScreenReturnsTheMenuHighlightsWhatMenuIndexHolds) {
    PassStartUp();
    terminal.Keys({'c', keys::kEsc}).Then([&] { EXPECT_EQ(HighlightedRow(), 5); });
    terminal.Keys({'o', keys::kEsc}).Then([&] { EXPECT_EQ(HighlightedRow(), 7); });
    ConfirmExit();
    EXPECT_EQ(program.RunMain(), 0);
}

TEST(MainProgramStartTest, WithoutADatabaseTheProgramStillStartsSilently) {
    ProgramHarness program(ProgramHarness::Database::kMissing, ProgramHarness::Start::kMain);
    console::ScriptedTerminal& terminal = program.Terminal();
    terminal.Then(
        [&] { EXPECT_TRUE(RowsAre(terminal.Screen(), 2, 2, {"Questo applicativo e'"})); });
    terminal.Keys({keys::kEsc, 'x'}).Then([&] {
        EXPECT_TRUE(RowsAre(terminal.Screen(), 3, 3, kMenuRows));
        EXPECT_TRUE(program.LogLines().empty());  // the file is opened at its first use
    });
    terminal.Keys({keys::kEsc, 'S'});
    EXPECT_EQ(program.RunMain(), 0);
}

// Without /proc, or with a path longer than the system gives out, the program does not know
// its folder: then it has no database, as when the file is missing, and never takes one at
// the filesystem's root.
TEST(MainProgramStartTest, WithoutItsOwnPathTheProgramHasNoDatabase) {
    ProgramHarness program(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    console::ScriptedTerminal& terminal = program.Terminal();
    terminal.Keys({keys::kEsc, 'x'}).Then([&] {
        EXPECT_TRUE(RowsAre(terminal.Screen(), 3, 3, kMenuRows));
        EXPECT_EQ(AppFolder, "");
        EXPECT_EQ(DatabasePath, "");
        EXPECT_FALSE(ReadingsDb.has_value());
        EXPECT_FALSE(ReadingsSet.has_value());
    });
    terminal.Keys({keys::kEsc, 'S'});
    SetExecutablePathSource([]() -> std::string { throw std::runtime_error("no /proc here"); });
    SetProcessEnd([](int status) { throw testing::ProcessEnded{status}; });
    int status = -1;
    try {
        Main();
    } catch (const testing::ProcessEnded& ended) {
        status = ended.status;
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(terminal.PendingKeys(), 0u);
}

// Nothing can be shown and no key will come: the program says why and ends with status 1
// rather than run unseen.
TEST(MainProgramStartTest, WithoutAConsoleTheProgramSaysWhyAndEndsWithoutShowingAnything) {
    ProgramHarness program(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    SetTerminalFactory([]() -> std::unique_ptr<console::Terminal> {
        throw std::runtime_error("no terminal here");
    });
    ::testing::internal::CaptureStderr();
    const int status = program.RunMain();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(said, "tavix: no terminal here\n");
    EXPECT_EQ(program.Terminal().Presents(), 0);
    EXPECT_FALSE(ReadingsDb.has_value());
}

TEST(MainProgramStartTest, ATerminationRequestClosesEverythingAndEndsWithTheSignal) {
    ProgramHarness program(ProgramHarness::Database::kEmpty, ProgramHarness::Start::kMain);
    program.Terminal().Keys({keys::kEsc, 'x'}).Then([] {
        throw console::TerminationRequested{15};
    });
    EXPECT_EQ(program.RunMain(), 128 + 15);
    EXPECT_EQ(program.Terminal().DetachCount(), 1);
    EXPECT_FALSE(ReadingsDb.has_value());
}

}  // namespace
}  // namespace tavix::program
