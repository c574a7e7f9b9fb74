#include <sys/stat.h>

#include <filesystem>

#include "readings_file.hpp"
#include "store/readings_table.hpp"
#include "support/file_content.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

namespace fs = std::filesystem;

using testing::FileContent;
using testing::WriteFile;

// The message of the StoreError that opening path throws, or "" when it opens.
std::string OpenFailure(const std::string& path) {
    try {
        OpenDatabase(path).OpenRecordset("Readings").Eof();
    } catch (const StoreError& error) {
        return error.what();
    }
    return "";
}

class OpenTest : public ::testing::Test {
  protected:
    testing::TempDir dir_;
    std::string path_ = dir_.File("tavix.mdb");
};

TEST_F(OpenTest, AMissingFileFailsAndIsNotCreated) {
    const std::string message = OpenFailure(path_);
    EXPECT_NE(message.find(path_), std::string::npos) << message;
    EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(OpenTest, AFolderFails) {
    fs::create_directory(path_);
    EXPECT_NE(OpenFailure(path_).find("folder"), std::string::npos);
}

// SQLite would take each of these for an empty database or fail only later; none may be
// touched, nor get a WAL or shared-memory file beside it.
TEST_F(OpenTest, FilesThatAreNotDatabasesFailAndStayUntouched) {
    const std::string damaged = std::string("SQLite format 3", 16) + std::string(4080, '\x7f');
    const std::pair<std::string, std::string> cases[] = {
        {"", "empty"},
        {"code;qt;terminal\nA;1;1\n", "not an SQLite database"},
        {damaged, "not a database"},
    };
    for (const auto& [contents, reason] : cases) {
        WriteFile(path_, contents);
        const std::string message = OpenFailure(path_);
        EXPECT_NE(message.find(reason), std::string::npos) << message;
        EXPECT_NE(message.find(path_), std::string::npos) << message;
        EXPECT_EQ(FileContent(path_), contents);
        EXPECT_FALSE(fs::exists(path_ + "-wal"));
        EXPECT_FALSE(fs::exists(path_ + "-journal"));
    }
}

// Switching to WAL rewrites the file's header: opening and reading must not do it, or any
// SQLite file opened by mistake would be changed; the first write does it.
TEST_F(OpenTest, AnExistingDatabaseIsSwitchedToWalByItsFirstWriteNotByOpening) {
    SqliteFile(path_, SqliteFile::Open::kCreate)
        .Run("CREATE TABLE Readings (id INTEGER PRIMARY KEY, code TEXT)");
    const std::string before = FileContent(path_);

    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset(table::kTable);
    EXPECT_TRUE(readings.Eof());
    EXPECT_TRUE(FileContent(path_) == before) << "opening changed the file";
    EXPECT_EQ(SqliteFile(path_).Text("PRAGMA journal_mode"), "delete");

    // What another program commits after the move shows at the next field read, in either mode.
    SqliteFile(path_).Run("INSERT INTO Readings (code) VALUES ('B')");
    readings.MoveFirst();
    SqliteFile(path_).Run("UPDATE Readings SET code = 'C'");
    EXPECT_EQ(readings.Fields(table::kCode), Value("C"));
    SqliteFile(path_).Run("DELETE FROM Readings");
    EXPECT_THROW(readings.Fields(table::kCode), StoreError);

    readings.AddNew();
    readings.SetField(table::kCode, "A");
    readings.Update();
    EXPECT_EQ(SqliteFile(path_).Text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(SqliteFile(path_).Text("SELECT code FROM Readings"), "A");
    readings.MoveFirst();
    SqliteFile(path_).Run("UPDATE Readings SET code = 'D'");
    EXPECT_EQ(readings.Fields(table::kCode), Value("D"));
}

TEST_F(OpenTest, CreateMakesTheReadingsSchemaAndRefusesToOverwrite) {
    CreateReadingsDatabase(path_);
    SqliteFile other(path_);
    EXPECT_EQ(other.Text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(other.Text("SELECT group_concat(name || ':' || type, ',') FROM "
                         "pragma_table_info('Readings')"),
              "id:INTEGER,code:TEXT,qt:REAL,terminal:,DateTime:DATETIME");
    EXPECT_EQ(other.Text("SELECT group_concat(name) FROM pragma_index_info('Code')"), "code");
    const std::string before = FileContent(path_);
    EXPECT_THROW(CreateReadingsDatabase(path_), StoreError);
    EXPECT_TRUE(FileContent(path_) == before) << "the existing database was changed";

    const std::string fresh = dir_.File("fresh.mdb");
    WriteFile(fresh + "-wal", "left over");
    EXPECT_THROW(CreateReadingsDatabase(fresh), StoreError);
    EXPECT_FALSE(fs::exists(fresh));
}

}  // namespace
}  // namespace tavix::store
