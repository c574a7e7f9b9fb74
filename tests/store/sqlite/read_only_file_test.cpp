#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "readings_file.hpp"
#include "store/forwarding.hpp"
#include "store/readings_table.hpp"
#include "support/file_content.hpp"
#include "support/unprivileged_child.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

using testing::FileContent;
using testing::kUnprivilegedUser;
using testing::RunAsUnprivilegedUser;

bool Refused(const std::function<void()>& write) {
    try {
        write();
    } catch (const StoreError& error) {
        return error.Kind() == ErrorKind::kReadOnly &&
               std::string(error.what()).find("read-only") != std::string::npos;
    }
    return false;
}

// Every kind of write is refused with a message saying why, while reading goes on.
int ReadButFailToWrite(const std::string& path) {
    Database database = OpenDatabase(path);
    Recordset readings = database.OpenRecordset(table::kTable);
    if (IdsForward(readings).size() != 2) {
        return 2;
    }
    readings.MoveFirst();
    if (!Refused([&] { AddReading(readings, "X"); })) {
        return 3;
    }
    if (!Refused([&] {
            readings.Edit();
            readings.SetField(table::kCode, "X");
            readings.Update();
        })) {
        return 4;
    }
    if (!Refused([&] { readings.Delete(); })) {
        return 5;
    }
    return 0;
}

class ReadOnlyTest : public ReadingsFile {
  protected:
    ReadOnlyTest() {
        {
            Database database = OpenDatabase(path_);
            Recordset readings = database.OpenRecordset(table::kTable);
            AddReading(readings, "A");
            AddReading(readings, "B");
        }
        before_ = FileContent(path_);
    }

    void ExpectUnchanged() {
        EXPECT_TRUE(FileContent(path_) == before_) << "the database file was changed";
        EXPECT_EQ(SqliteFile(path_).Number("SELECT count(*) FROM Readings"), 2);
    }

    std::string before_;
};

TEST_F(ReadOnlyTest, AReadOnlyFileCanBeReadButRefusesEveryWrite) {
    namespace fs = std::filesystem;
    ASSERT_EQ(before_.size() % 4096, 0u) << "the WAL was not checkpointed into the file";
    fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder_.Path(), fs::perms::all);  // SQLite may add its WAL index beside it

    EXPECT_EQ(RunAsUnprivilegedUser([&] { return ReadButFailToWrite(path_); }), 0);
    ExpectUnchanged();
}

TEST_F(ReadOnlyTest, AFileInAReadOnlyFolderIsLeftUnchanged) {
    namespace fs = std::filesystem;
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path_.c_str(), kUnprivilegedUser, kUnprivilegedUser),
                  0);  // writable file, locked folder
    }
    fs::permissions(folder_.Path(), fs::perms::owner_read | fs::perms::owner_exec |
                                        fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);

    const int result = RunAsUnprivilegedUser([&] {
        try {
            return ReadButFailToWrite(path_);
        } catch (const StoreError& error) {
            // Opening may fail at once: WAL needs a file beside the database.
            return std::string(error.what()).find(path_) != std::string::npos ? 0 : 6;
        }
    });
    fs::permissions(folder_.Path(), fs::perms::owner_all);
    EXPECT_EQ(result, 0);
    ExpectUnchanged();
}

// Preparing a file for forwarding writes to it: refused, saying how it is done.
TEST_F(ReadOnlyTest, ForwardingIsNotPreparedButTheRefusalSaysHow) {
    namespace fs = std::filesystem;
    const fs::perms read = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms enter = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    const struct {
        const char* name;
        fs::perms file, folder;
    } kCases[] = {{"read-only file", read, fs::perms::all},
                  {"read-only folder", fs::perms::all, read | enter}};
    for (const auto& setting : kCases) {
        SCOPED_TRACE(setting.name);
        fs::permissions(path_, setting.file);
        fs::permissions(folder_.Path(), setting.folder);
        const int result = RunAsUnprivilegedUser([&] {
            try {
                PrepareForwarding(path_, History::kQueue);
            } catch (const StoreError& error) {
                const std::string message = error.what();
                return error.Kind() == ErrorKind::kReadOnly &&
                               message.find("tavix-admin forward " + path_) != std::string::npos
                           ? 0
                           : 2;
            }
            return 1;
        });
        fs::permissions(folder_.Path(), fs::perms::owner_all);
        EXPECT_EQ(result, 0);
        ExpectUnchanged();
    }
}

}  // namespace
}  // namespace tavix::store
