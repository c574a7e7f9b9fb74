// `tavix-admin copy` from one SQLite file into another: every value as stored (type and bytes),
// the order kept with the target's own ids, and the refusals: a target that holds readings, is
// not a readings database or is missing, and a missing source. (tests/admin_postgres: copies to
// and from PostgreSQL.)

#include <filesystem>
#include <fstream>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class CopyTest : public AdminStoreTest {
  protected:
    CopyTest() : target_(dir_.File("target.mdb")) {
        const AdminResult init = RunAdmin({"init", target_});
        EXPECT_EQ(init.exit_status, 0) << init.err;
    }

    // The readings of a file as JSON lines, which show each value's type.
    static std::string Dump(const std::string& path) {
        const AdminResult result = RunAdmin({"export", "--format", "jsonl", path});
        EXPECT_EQ(result.exit_status, 0) << result.err;
        return result.out;
    }

    std::string target_;
};

TEST_F(CopyTest, EveryValueGoesAsStoredInTheSameOrder) {
    Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('a,b;c', 2.5, '1', '2024-05-01 10:00:00'), "
        "('gone', 1, '1', NULL), "
        "('say \"hi\" ''x''', -0.25, 6.0, '2024-05-01 10:00:01'), "
        "('line1' || char(13, 10) || 'line2', 9e999, 7, 'not a date'), "
        "(CAST(x'41FF42' AS TEXT), NULL, '007', 45000.5), "
        "(NULL, 0, NULL, NULL), "
        "('Però€', 1e-5, '', '2024-05-02 23:59:59.5')");
    Sql("DELETE FROM Readings WHERE code = 'gone'");
    const AdminResult result = RunAdmin({"copy", path_, target_});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "Copied 6 readings from " + path_ + " to " + target_ + "\n");
    EXPECT_EQ(result.err, "");
    // The same rows, each value of the same type, with ids 1 to 6.
    std::string expected = Dump(path_);
    for (const auto& [before, after] :
         std::vector<std::pair<std::string, std::string>>{{"\"id\":3,", "\"id\":2,"},
                                                          {"\"id\":4,", "\"id\":3,"},
                                                          {"\"id\":5,", "\"id\":4,"},
                                                          {"\"id\":6,", "\"id\":5,"},
                                                          {"\"id\":7,", "\"id\":6,"}}) {
        expected.replace(expected.find(before), before.size(), after);
    }
    EXPECT_EQ(Dump(target_), expected);
    // Byte for byte, not only as JSON shows them.
    const AdminResult csv = RunAdmin({"export", "--terminal", "007", target_});
    EXPECT_EQ(csv.out,
              "id,code,qt,terminal,DateTime\r\n"
              "3,\"line1\r\nline2\",Inf,7,not a date\r\n"
              "4,A\xFF"
              "B,,007,45000.5\r\n");
}

TEST_F(CopyTest, ATargetHoldingReadingsIsRefusedAndKeptAsItWas) {
    AddReadings(3);
    Sql("ATTACH '" + target_ + "' AS target; INSERT INTO target.Readings (code) VALUES ('x')");
    const AdminResult result = RunAdmin({"copy", path_, target_});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "tavix-admin: " + target_ +
                              ": cannot copy into the store: it already holds 1 reading; copy "
                              "fills only an empty store, so nothing was copied\n");
    EXPECT_EQ(Dump(target_),
              "{\"id\":1,\"code\":\"x\",\"qt\":null,\"terminal\":null,\"DateTime\":null}\n");
}

TEST_F(CopyTest, ATargetThatIsNoReadingsDatabaseIsRefusedWithTheWayToMakeOne) {
    AddReadings(3);
    const std::string missing = dir_.File("missing.mdb");
    const AdminResult to_missing = RunAdmin({"copy", path_, missing});
    EXPECT_EQ(to_missing.exit_status, 1);
    EXPECT_EQ(to_missing.err,
              "tavix-admin: " + missing +
                  ": cannot open the database: the file does not exist (create an empty one "
                  "with: tavix-admin init " +
                  missing + ")\n");
    EXPECT_FALSE(std::filesystem::exists(missing));
    std::ofstream(missing).flush();  // init would refuse it: the way is to remove it first
    EXPECT_NE(
        RunAdmin({"copy", path_, missing})
            .err.find("(0 bytes), not a database (remove it, then create an empty store with: "),
        std::string::npos);

    Sql("ATTACH '" + target_ + "' AS target; DROP TABLE target.Readings");
    const AdminResult no_table = RunAdmin({"copy", path_, target_});
    EXPECT_EQ(no_table.exit_status, 1);
    EXPECT_EQ(no_table.err, "tavix-admin: " + target_ +
                                ": cannot copy into the store: it is not an initialised readings "
                                "store (there is no table Readings); create the store with "
                                "tavix-admin init first\n");

    Sql("ATTACH '" + target_ + "' AS target; CREATE TABLE target.Readings (code TEXT)");
    const AdminResult other_table = RunAdmin({"copy", path_, target_});
    EXPECT_EQ(other_table.exit_status, 1);
    EXPECT_NE(other_table.err.find(": cannot copy into the store: it is not a readings store as "
                                   "tavix-admin init creates it: the table Readings has no "
                                   "column id; "),
              std::string::npos)
        << other_table.err;
}

TEST_F(CopyTest, AFailureOnTheWayLeavesTheTargetEmpty) {
    AddReadings(3000);
    Sql("ATTACH '" + target_ +
        "' AS target; CREATE TRIGGER target.refuse BEFORE INSERT ON Readings "
        "WHEN NEW.code = 'C2500' BEGIN SELECT RAISE(ABORT, 'refused here'); END");
    const AdminResult result = RunAdmin({"copy", path_, target_});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(target_ + ": cannot store the copied readings"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("refused here"), std::string::npos) << result.err;
    EXPECT_EQ(Dump(target_), "");
}

TEST_F(CopyTest, AMissingSourceIsAFailureNamingIt) {
    const std::string missing = dir_.File("missing.mdb");
    const AdminResult result = RunAdmin({"copy", missing, target_});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("tavix-admin: " + missing + ": cannot open the database", 0), 0u)
        << result.err;
}

}  // namespace
}  // namespace tavix::testing
