#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "readings_file.hpp"
#include "store/readings_table.hpp"
#include "support/admin_process.hpp"
#include "support/sqlite_process.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

namespace fs = std::filesystem;
using Codes = std::vector<std::string>;

// The database file removed, replaced or renamed while the store has it open. SQLite names
// its write-ahead log and shared memory after the path, not after the file: an old
// connection's log left at the path would be replayed into (or read over) whatever file the
// path names later.
class ReplacedFileTest : public OpenReadingsFile {
  protected:
    // A second readings database holding one reading of another program's.
    std::string MakeReplacement(const std::string& code) {
        const std::string other = folder_.File("other.mdb");
        CreateReadingsDatabase(other);
        SqliteFile(other).Execute("INSERT INTO Readings (code) VALUES ('" + code + "')");
        return other;
    }

    // The message of the StoreError adding a reading fails with, "" when it is stored.
    std::string TryToAdd(const std::string& code) {
        try {
            AddReading(readings_, code);
        } catch (const StoreError& error) {
            return error.what();
        }
        return "";
    }

    Codes CodesForward() {
        Codes codes;
        for (readings_.MoveFirst(); !readings_.Eof(); readings_.MoveNext()) {
            codes.push_back(std::get<std::string>(readings_.Fields(table::kCode)));
        }
        return codes;
    }

    Codes CodesInFile(const std::string& path) {
        SqliteFile other(path);
        EXPECT_EQ(other.Text("PRAGMA integrity_check"), "ok") << path;
        const std::int64_t count = other.Number("SELECT count(*) FROM Readings");
        Codes codes;
        for (std::int64_t id = 1; static_cast<std::int64_t>(codes.size()) < count; ++id) {
            const std::string code =
                other.Text("SELECT code FROM Readings WHERE id = " + std::to_string(id));
            if (!code.empty()) {
                codes.push_back(code);
            }
        }
        return codes;
    }

    bool LeftBeside() { return fs::exists(path_ + "-wal") || fs::exists(path_ + "-shm"); }
};

bool Mentions(const std::string& message, const std::string& part) {
    return message.find(part) != std::string::npos;
}

TEST_F(ReplacedFileTest, ARemovedFileIsNeverWrittenAndANewOneIsUsedOnceItIsThere) {
    AddReading(readings_, "KEPT");
    ASSERT_EQ(::unlink(path_.c_str()), 0);

    const std::string lost = TryToAdd("LOST");
    EXPECT_TRUE(Mentions(lost, "removed or replaced")) << lost;
    EXPECT_FALSE(LeftBeside()) << "the old log would trip up a new database at the path";
    const std::string missing = TryToAdd("LOST");
    EXPECT_TRUE(Mentions(missing, path_ + ": cannot ")) << missing;
    EXPECT_TRUE(Mentions(missing, "does not exist")) << missing;

    CreateReadingsDatabase(path_);
    EXPECT_EQ(TryToAdd("NEW"), "");
    EXPECT_EQ(CodesForward(), Codes{"NEW"});
    database_.Close();
    EXPECT_EQ(CodesInFile(path_), Codes{"NEW"});
}

TEST_F(ReplacedFileTest, AReplacementIsUsedFromTheNextOperationWithItsOwnReadingsIntact) {
    AddReading(readings_, "OURS1");
    AddReading(readings_, "OURS2");
    readings_.SetIndex(table::kCodeIndex);
    ASSERT_EQ(std::rename(MakeReplacement("THEIRS").c_str(), path_.c_str()), 0);

    EXPECT_TRUE(Mentions(TryToAdd("LOST"), "removed or replaced"));
    EXPECT_EQ(TryToAdd("NEW"), "");
    EXPECT_EQ(CodesForward(), (Codes{"NEW", "THEIRS"}));  // still in code order
    database_.Close();
    EXPECT_EQ(CodesInFile(path_), (Codes{"THEIRS", "NEW"}));
    EXPECT_FALSE(LeftBeside());
}

// Opening the replacement makes its first record current; a change in the same call would
// fall on a record the operator never saw, and fails instead.
TEST_F(ReplacedFileTest, AChangeInTheCallThatOpensTheReplacementFailsRatherThanFallUnseen) {
    AddReading(readings_, "OURS");
    readings_.MoveFirst();
    ASSERT_EQ(std::rename(MakeReplacement("THEIRS").c_str(), path_.c_str()), 0);
    EXPECT_TRUE(Mentions(TryToAdd("LOST"), "removed or replaced"));
    try {
        readings_.Edit();
        ADD_FAILURE() << "an edit fell on a record nobody saw";
    } catch (const StoreError& error) {
        EXPECT_TRUE(Mentions(error.what(), "opened anew")) << error.what();
    }
    EXPECT_EQ(readings_.Fields(table::kCode), Value("THEIRS"));
    readings_.Edit();
    readings_.SetField(table::kCode, "SEEN");
    readings_.Update();
    EXPECT_EQ(CodesInFile(path_), Codes{"SEEN"});
}

TEST_F(ReplacedFileTest, AFileRenamedAwayKeepsEveryReadingConfirmedBeforeAndNothingLater) {
    AddReading(readings_, "A");
    AddReading(readings_, "B");
    const std::string renamed = folder_.File("kept.mdb");
    ASSERT_EQ(std::rename(path_.c_str(), renamed.c_str()), 0);

    EXPECT_TRUE(Mentions(TryToAdd("LOST"), "removed or replaced"));
    EXPECT_FALSE(LeftBeside());
    EXPECT_EQ(CodesInFile(renamed), (Codes{"A", "B"}));
}

TEST_F(ReplacedFileTest, ClosingAfterTheFileWasRemovedLeavesNothingBeside) {
    AddReading(readings_, "A");
    ASSERT_EQ(::unlink(path_.c_str()), 0);
    readings_.Close();
    database_.Close();
    EXPECT_FALSE(LeftBeside());
    CreateReadingsDatabase(path_);  // what tavix-admin init does
}

// Another program still reads the old file through the log at the path: the replacement is
// not opened through that log while it is in use, and a log it leaves behind is not replayed
// into the replacement.
TEST_F(ReplacedFileTest, TheOldFilesLogIsNeverReadOverOrReplayedIntoTheReplacement) {
    AddReading(readings_, "OURS");
    testing::SqliteProcess old_reader(path_);
    EXPECT_EQ(old_reader.Run("BEGIN; SELECT code FROM Readings;"), "OURS\n");
    ASSERT_EQ(std::rename(MakeReplacement("THEIRS").c_str(), path_.c_str()), 0);

    EXPECT_TRUE(Mentions(TryToAdd("LOST"), "removed or replaced"));
    const std::string in_use = TryToAdd("LOST");
    EXPECT_TRUE(Mentions(in_use, "in use by another program")) << in_use;

    old_reader.Run("COMMIT;");
    EXPECT_TRUE(old_reader.Quit());
    EXPECT_EQ(TryToAdd("NEW"), "");
    EXPECT_EQ(CodesForward(), (Codes{"THEIRS", "NEW"}));
    database_.Close();
    EXPECT_EQ(CodesInFile(path_), (Codes{"THEIRS", "NEW"}));
    EXPECT_FALSE(LeftBeside());
}

// A program that has the replacement itself open shares the log at the path legitimately.
TEST_F(ReplacedFileTest, AReplacementInUseByAnotherProgramIsOpenedAsUsual) {
    AddReading(readings_, "OURS");
    ASSERT_EQ(std::rename(MakeReplacement("THEIRS").c_str(), path_.c_str()), 0);
    EXPECT_TRUE(Mentions(TryToAdd("LOST"), "removed or replaced"));
    testing::SqliteProcess new_user(path_);
    EXPECT_EQ(new_user.Run("INSERT INTO Readings (code) VALUES ('SHARED'); "
                           "SELECT count(*) FROM Readings;"),
              "2\n");
    EXPECT_EQ(TryToAdd("NEW"), "");
    EXPECT_EQ(
        new_user.Run("SELECT group_concat(code) FROM (SELECT code FROM Readings ORDER BY id);"),
        "THEIRS,SHARED,NEW\n");
    EXPECT_TRUE(new_user.Quit());
    EXPECT_EQ(CodesForward(), (Codes{"THEIRS", "SHARED", "NEW"}));
}

// 0 when a store opened after `before` did not wait, refused naming `refused`, then stored.
int RunningStore(const std::string& path, const std::function<void()>& before,
                 const std::function<void()>& after, const std::string& refused) {
    before();
    const auto start = std::chrono::steady_clock::now();
    Database database = OpenDatabase(path, std::chrono::seconds(2));
    Recordset readings = database.OpenRecordset(table::kTable);
    const bool waited = std::chrono::steady_clock::now() - start > std::chrono::seconds(1);
    try {
        AddReading(readings, "LOST");
    } catch (const StoreError& error) {
        if (after) {
            after();
            AddReading(readings, "NEW");
        }
        return !waited && Mentions(error.what(), refused) ? 0 : 1;
    }
    return 2;
}

// A running program's store meets a file made after it started, one locked at start-up, and a
// -shm left read-only by a session begun while the file was: as an operator (root writes anyway).
TEST_F(ReadingsFile, AStoreMissingLockedOrWithAReadOnlyShmAtOpeningIsTakenUpLater) {
    using Change =
        std::tuple<std::function<void()>, std::function<void()>, std::string, std::string>;
    const std::string lock =
        "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; SELECT 1 FROM Readings;";
    std::optional<testing::SqliteProcess> holder;
    fs::permissions(folder_.Path(), fs::perms::all);
    for (const auto& [before, after, refused, checked] :
         {Change{[&] { fs::remove(path_); }, [&] { CreateReadingsDatabase(path_); },
                 "the file does not exist", "ok\n"},
          Change{[&] { holder.emplace(path_).Run(lock); }, [&] { holder->Quit(); },
                 "locked by another program", "ok\n"},
          Change{[&] {
                     fs::remove(path_ + "-shm");
                     fs::permissions(path_, fs::perms::owner_write, fs::perm_options::remove);
                     OpenDatabase(path_).OpenRecordset(table::kTable).Eof();
                     fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add);
                 },
                 nullptr, "mdb-shm cannot be written by this user", "-shm (mode 0444)"}}) {
        const int status = testing::RunAsUnprivilegedUser(
            [&] { return RunningStore(path_, before, after, refused); });
        EXPECT_EQ(status, 0) << refused;
        EXPECT_NE(testing::RunAdmin({"check", path_}).out.find(checked), std::string::npos);
    }
}

}  // namespace
}  // namespace tavix::store
