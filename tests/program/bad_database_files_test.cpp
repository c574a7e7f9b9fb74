#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "program/main_program.hpp"
#include "store/database.hpp"
#include "support/file_content.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"
#include "support/sqlite_file.hpp"
#include "support/unprivileged_child.hpp"

// Whatever stands where the program expects its database, it starts as always (information
// screen, splash, main menu, no message), never crashes, and leaves the file exactly as it
// found it, with nothing beside it that SQLite would later replay into it. A reading it
// cannot store is reported to the operator, and the main menu follows.

namespace tavix::program {
namespace {

namespace keys = console::keys;
namespace fs = std::filesystem;
using testing::FileContent;
using testing::ProgramHarness;
using testing::RowsAre;
using testing::ScreenShows;
using testing::SqliteFile;
using testing::WriteFile;
using namespace std::chrono_literals;

// What stands at a path: nothing, a folder, or a file with its bytes.
std::string Snapshot(const std::string& path) {
    if (!fs::exists(path)) {
        return "nothing";
    }
    if (fs::is_directory(path)) {
        return "a folder";
    }
    return "a file of " + FileContent(path);
}

// The code of the reading the browser shows, from its field menu.
std::string ShownCode(const console::CellGrid& grid) {
    return testing::TrimmedRowSpan(grid, 4, 3, 22);
}

class BadDatabaseFileTest : public ::testing::Test {
  protected:
    // Only the folder exists; each test puts there what it is about.
    ProgramHarness program{ProgramHarness::Database::kMissing, ProgramHarness::Start::kMain};
    const std::string path = program.DatabasePath();
    console::ScriptedTerminal& script = program.Terminal();

    const console::CellGrid& Screen() const { return script.Screen(); }

    void CreateReadings(std::initializer_list<const char*> codes) {
        store::CreateReadingsDatabase(path);
        double qt = 1;
        for (const char* code : codes) {
            program.StoreReading(code, qt++, "1", {2026, 12, 6, 7, 5, 9});
        }
    }

    void ExpectMainMenu() {
        EXPECT_TRUE(RowsAre(Screen(), 3, 3, {"Inizia          ", "", "Codici dei tasti"}));
        EXPECT_FALSE(ScreenShows(Screen(), "Codice:"));
        EXPECT_FALSE(ScreenShows(Screen(), "salvata"));
    }

    // The start-up as it always is, whatever the file.
    void StartUp() {
        script.Then([&] { EXPECT_TRUE(RowsAre(Screen(), 2, 2, {"Questo applicativo e'"})); });
        script.Key(keys::kEsc).Then([&] { EXPECT_TRUE(ScreenShows(Screen(), "Demo Tavix v1.0")); });
        script.Key('x').Then([&] { ExpectMainMenu(); });
    }

    // From the main menu to the code field of terminal 1.
    void StartAcquisition() { script.Keys({keys::kEnter, keys::kEnter}); }

    // From the code field: code A, quantity 1, which the program cannot store. It says so, and
    // after Ok the main menu follows. The file is unchanged while the message stands.
    void ReadingNotStored(const std::string& before) {
        script.Keys({'A', keys::kEnter, keys::kEnter}).Then([&, before] {
            EXPECT_TRUE(ScreenShows(Screen(), "Lettura non") && ScreenShows(Screen(), "salvata!"))
                << "the operator was not told";
            ExpectUnchanged(before);
        });
        script.Key(keys::kEnter).Then([&] { ExpectMainMenu(); });
    }

    void ConfirmExit() { script.Keys({keys::kEsc, 'S'}); }

    // The whole session on a file nothing can be stored in.
    void RunRefusingSession() {
        const std::string before = Snapshot(path);
        StartUp();
        StartAcquisition();
        ReadingNotStored(before);
        ConfirmExit();
        EXPECT_EQ(program.RunMain(), 0);
        EXPECT_EQ(script.PendingKeys(), 0u);
        ExpectUnchanged(before);
    }

    // The same bytes, and no journal or non-empty WAL beside them that SQLite would replay
    // into the file the next time it is opened.
    void ExpectUnchanged(const std::string& before) {
        const std::string now = Snapshot(path);
        EXPECT_TRUE(now == before)
            << "was " << before.substr(0, 20) << "... (" << before.size() << " bytes), now "
            << now.substr(0, 20) << "... (" << now.size() << " bytes)";
        EXPECT_FALSE(fs::exists(path + "-journal"));
        if (fs::exists(path + "-wal")) {
            EXPECT_EQ(fs::file_size(path + "-wal"), 0u);
        }
    }
};

TEST_F(BadDatabaseFileTest, AMissingFileIsNotCreated) {
    RunRefusingSession();
}

TEST_F(BadDatabaseFileTest, AnEmptyFileIsNotTakenForAnEmptyDatabase) {
    WriteFile(path, "");
    RunRefusingSession();
}

TEST_F(BadDatabaseFileTest, AFileOfRandomBytesIsNotOpened) {
    std::mt19937 random(8);
    std::string bytes(10000, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    WriteFile(path, bytes);
    RunRefusingSession();
}

// Its header is sound but its pages end halfway: SQLite finds it damaged at the first read.
TEST_F(BadDatabaseFileTest, ATruncatedDatabaseIsNotOpened) {
    CreateReadings({});
    program.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
        "INSERT INTO Readings (code, qt, terminal, DateTime) "
        "SELECT 'CODE' || i, 1, '1', '2026-12-06 07:05:09' FROM n");
    ASSERT_FALSE(fs::exists(path + "-wal"));
    fs::resize_file(path, fs::file_size(path) / 2);
    RunRefusingSession();
}

TEST_F(BadDatabaseFileTest, AFolderWhereTheFileShouldBeIsLeftAlone) {
    fs::create_directory(path);
    WriteFile(path + "/inside", "kept");
    RunRefusingSession();
    EXPECT_EQ(Snapshot(path + "/inside"), "a file of kept");
}

// Another program's SQLite file, in the default rollback-journal mode: even the switch to WAL
// would rewrite its header.
TEST_F(BadDatabaseFileTest, ADatabaseWithoutTheReadingsTableIsNotChanged) {
    {
        SqliteFile other(path, SqliteFile::Open::kCreate);
        other.Run("CREATE TABLE Articles (code TEXT, name TEXT)");
        other.Run("INSERT INTO Articles VALUES ('A', 'Pane')");
    }
    RunRefusingSession();
}

// The index only serves the search: without it readings are stored and browsed in the table's
// own order, and a search changes neither the order nor the reading shown.
TEST_F(BadDatabaseFileTest, WithoutTheCodeIndexReadingsAreStoredAndASearchChangesNothing) {
    CreateReadings({"PANE", "LATTE"});
    program.Execute("DROP INDEX Code");
    StartUp();
    StartAcquisition();
    script.Key(keys::kF3).Then([&] { EXPECT_EQ(ShownCode(Screen()), "PANE"); });
    script.Key(keys::kF3).Text("LATTE").Key(keys::kEnter).Then([&] {
        EXPECT_EQ(ShownCode(Screen()), "PANE");
    });
    script.Key(keys::kRight).Then([&] { EXPECT_EQ(ShownCode(Screen()), "LATTE"); });
    script.Keys({keys::kEsc, keys::kEnter});  // the browser ends at the terminal prompt
    script.Keys({'A', keys::kEnter, keys::kEnter}).Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 3, 12, {"Digita codice"}));
    });
    script.Keys({keys::kEsc, keys::kEsc, 'S'});
    ConfirmExit();
    EXPECT_EQ(program.RunMain(), 0);

    const auto readings = program.StoredReadings();
    ASSERT_EQ(readings.size(), 3u);
    EXPECT_EQ(readings[2].code, "A");
    EXPECT_EQ(program.QueryText("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(program.QueryText("SELECT count(*) FROM sqlite_schema WHERE type = 'index'"), "0");
}

// Another program holds the write lock from before start-up to past the wait for it: reading
// goes on, the reading waits and is reported; once the lock is gone readings are stored again.
TEST_F(BadDatabaseFileTest, AFileLockedForWritingIsReadAndTheReadingThatWaitedTooLongReported) {
    CreateReadings({"OLD"});
    SetBusyTimeout(200ms);
    auto other = std::make_unique<SqliteFile>(path, SqliteFile::Open::kCreate);
    other->Run("BEGIN IMMEDIATE");
    const std::string before = Snapshot(path);
    StartUp();
    StartAcquisition();
    script.Key(keys::kF3).Then([&] { EXPECT_EQ(ShownCode(Screen()), "OLD"); });
    script.Keys({keys::kEsc, keys::kEnter});
    ReadingNotStored(before);
    script.Then([&] { other.reset(); });
    StartAcquisition();
    script.Keys({'B', keys::kEnter, keys::kEnter}).Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 3, 12, {"Digita codice"}));
    });
    script.Keys({keys::kEsc, keys::kEsc, 'S'});
    ConfirmExit();
    EXPECT_EQ(program.RunMain(), 0);

    const auto readings = program.StoredReadings();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].code, "OLD");
    EXPECT_EQ(readings[1].code, "B");
}

// A lock that keeps even readers out when the program starts: after the wait for locks it
// gives up opening the file and runs without readings, as with no file at all.
TEST_F(BadDatabaseFileTest, AFileLockedAgainstReadingAtStartUpLeavesTheProgramWithoutReadings) {
    CreateReadings({"OLD"});
    SetBusyTimeout(200ms);
    SqliteFile other(path, SqliteFile::Open::kCreate);
    other.Run("PRAGMA locking_mode = EXCLUSIVE");
    other.Run("BEGIN EXCLUSIVE");
    other.Run("SELECT count(*) FROM Readings");
    RunRefusingSession();
}

// The program runs as an unprivileged user in a child process (root ignores file modes); a
// check that fails there makes the child's status non-zero.
int RunChildSession(const std::function<void()>& session) {
    return testing::RunAsUnprivilegedUser([&] {
        session();
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
}

// What can be read is shown: the readings list and the browser. Only storing is refused.
TEST_F(BadDatabaseFileTest, AReadOnlyFileIsListedAndBrowsedButNothingIsStored) {
    CreateReadings({"OLD1", "OLD2"});
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(program.Folder(), fs::perms::all);  // room for SQLite's shared memory
    const std::string before = Snapshot(path);

    const int status = RunChildSession([&] {
        StartUp();
        StartAcquisition();
        script.Key(keys::kF5).Then([&] {
            EXPECT_TRUE(ScreenShows(Screen(), "OLD1, qt 1"));
            EXPECT_TRUE(ScreenShows(Screen(), "OLD2, qt 2"));
        });
        script.Keys({keys::kEsc, keys::kEnter});  // the list ends at the terminal prompt
        script.Key(keys::kF3).Then([&] { EXPECT_EQ(ShownCode(Screen()), "OLD1"); });
        script.Key(keys::kRight).Then([&] { EXPECT_EQ(ShownCode(Screen()), "OLD2"); });
        script.Keys({keys::kEsc, keys::kEnter});
        ReadingNotStored(before);
        ConfirmExit();
        EXPECT_EQ(program.RunMain(), 0);
    });
    EXPECT_EQ(status, 0);
    ExpectUnchanged(before);
}

// A writable file in a folder that is not: the write-ahead log cannot be made beside it, so
// the file cannot even be read.
TEST_F(BadDatabaseFileTest, AFileInAReadOnlyFolderCannotBeOpenedAndIsLeftAlone) {
    CreateReadings({"OLD"});
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), testing::kUnprivilegedUser, testing::kUnprivilegedUser), 0);
    }
    fs::permissions(program.Folder(), fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::group_read | fs::perms::group_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
    const std::string before = Snapshot(path);
    const int status = RunChildSession([&] { RunRefusingSession(); });
    fs::permissions(program.Folder(), fs::perms::owner_all);
    EXPECT_EQ(status, 0);
    ExpectUnchanged(before);
}

}  // namespace
}  // namespace tavix::program
