#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "readings_file.hpp"

namespace tavix::store {
namespace {

namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

// The message of the StoreError that opening path throws, or "" when it opens.
std::string OpenFailure(const std::string& path) {
    try {
        OpenDatabase(path);
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
        Write(path_, contents);
        const std::string message = OpenFailure(path_);
        EXPECT_NE(message.find(reason), std::string::npos) << message;
        EXPECT_NE(message.find(path_), std::string::npos) << message;
        EXPECT_EQ(Contents(path_), contents);
        EXPECT_FALSE(fs::exists(path_ + "-wal"));
        EXPECT_FALSE(fs::exists(path_ + "-journal"));
    }
}

// Switching to WAL rewrites the file's header: opening and reading must not do it, or any
// SQLite file opened by mistake would be changed; the first write does it.
TEST_F(OpenTest, AnExistingDatabaseIsSwitchedToWalByItsFirstWriteNotByOpening) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Readings (id INTEGER PRIMARY KEY, code TEXT)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string before = Contents(path_);

    Database database = OpenDatabase(path_);
    Recordset readings = database.OpenRecordset("Readings");
    EXPECT_TRUE(readings.Eof());
    EXPECT_TRUE(Contents(path_) == before) << "opening changed the file";
    EXPECT_EQ(OtherProgram(path_).Text("PRAGMA journal_mode"), "delete");

    readings.AddNew();
    readings.SetField("code", "A");
    readings.Update();
    EXPECT_EQ(OtherProgram(path_).Text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(OtherProgram(path_).Text("SELECT code FROM Readings"), "A");
}

TEST_F(OpenTest, CreateMakesTheReadingsSchemaAndRefusesToOverwrite) {
    CreateReadingsDatabase(path_);
    OtherProgram other(path_);
    EXPECT_EQ(other.Text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(other.Text("SELECT group_concat(name || ':' || type, ',') FROM "
                         "pragma_table_info('Readings')"),
              "id:INTEGER,code:TEXT,qt:REAL,terminal:,DateTime:DATETIME");
    EXPECT_EQ(other.Text("SELECT group_concat(name) FROM pragma_index_info('Code')"), "code");
    const std::string before = Contents(path_);
    EXPECT_THROW(CreateReadingsDatabase(path_), StoreError);
    EXPECT_TRUE(Contents(path_) == before) << "the existing database was changed";

    const std::string fresh = dir_.File("fresh.mdb");
    Write(fresh + "-wal", "left over");
    EXPECT_THROW(CreateReadingsDatabase(fresh), StoreError);
    EXPECT_FALSE(fs::exists(fresh));
}

}  // namespace
}  // namespace tavix::store
