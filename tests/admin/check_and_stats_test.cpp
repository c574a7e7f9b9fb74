// `check` on a sound file, on files whose schema is not the program's, on a damaged file and on
// a missing one; `stats` finding the file beside the executable. (stats_test.cpp: `stats` on
// every kind of store.)

#include <filesystem>
#include <fstream>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class CheckTest : public AdminStoreTest {
  protected:
    void ReplaceTable(const std::string& create) { Sql("DROP TABLE Readings; " + create); }
};

using Lines = std::vector<std::string>;

TEST_F(CheckTest, AStoreAsInitMakesItIsOk) {
    AddReadings(50);
    const AdminResult result = RunAdmin({"check", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "ok\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(CheckTest, EachSchemaDifferenceIsNamed) {
    ReplaceTable(
        "CREATE TABLE Readings (id INTEGER PRIMARY KEY, code INTEGER, qt REAL, terminal TEXT)");
    EXPECT_EQ(CheckProblems(),
              (Lines{"the column code has \"INTEGER\" instead of \"TEXT\"",
                     "the column terminal has \"TEXT\" instead of no declared type",
                     "the table Readings has no column DateTime",
                     "the column id is not AUTOINCREMENT, so the id of a deleted reading can be "
                     "given again",
                     "the table Readings has no index Code (on the column code)"}));

    ReplaceTable(
        "CREATE TABLE Readings (id INT, code TEXT, qt REAL, terminal, DateTime DATETIME);"
        "CREATE INDEX Code ON Readings (code, qt)");
    EXPECT_EQ(CheckProblems(),
              (Lines{"the column id has \"INT\" instead of \"INTEGER\"",
                     "the column id is not the table's INTEGER PRIMARY KEY",
                     "the column id is not AUTOINCREMENT, so the id of a deleted reading can be "
                     "given again",
                     "the index Code is not an index of every reading on the column code"}));

    Sql("DROP TABLE Readings");
    EXPECT_EQ(CheckProblems(), Lines{"there is no table Readings"});
}

TEST_F(CheckTest, DamageIsReported) {
    AddReadings(20000);
    {
        // Pages in the middle of the table overwritten, the header left alone.
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(20 * 4096);
        const std::string garbage(3 * 4096, '\x5a');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    const AdminResult result = RunAdmin({"check", path_});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.out.find(path_ + ": damaged: "), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("ok\n"), std::string::npos);
}

TEST_F(CheckTest, AMissingStoreIsAFailure) {
    const AdminResult result = RunAdmin({"check", dir_.File("none.mdb")});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(dir_.File("none.mdb") + ": cannot open the database"),
              std::string::npos);
}

class StatsBesideTheExecutableTest : public AdminStoreTest {};

TEST_F(StatsBesideTheExecutableTest, WithoutTargetNorEnvironmentTheStoreIsBesideTheExecutable) {
    AddReadings(4);
    const std::string program = dir_.File("tavix-admin");
    std::filesystem::copy_file(TAVIX_ADMIN_BINARY, program);
    AdminSetup beside;
    beside.program = program;
    beside.environment["TAVIX_DATABASE"] = "";
    beside.environment["TAVIX_CONFIG"] = "/dev/null";
    const AdminResult result = RunAdmin({"stats"}, beside);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("readings: 4\n", 0), 0u);
}

}  // namespace
}  // namespace tavix::testing
