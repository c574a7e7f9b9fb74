// Which readings an export takes (terminal, from, to, combined), the totals per code, and the
// refusal of dates that are not dates, on every kind of store.

#include <gtest/gtest.h>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportFiltersTest : public AnyStoreTest {
  protected:
    ExportFiltersTest() {
        // Rows 2 and 4 hold terminals edited to numbers, as each kind keeps them; row 4's time
        // has a fraction of its last second, which only an SQLite file holds; row 7's DateTime
        // is a number on an SQLite file, and none on PostgreSQL.
        Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
            "('A', 1, '1', '2024-05-01 23:59:59'), "
            "('B', 2, " +
            Literal("1.0", "'1'") +
            ", '2024-05-02 00:00:00'), "
            "('A', 3, '2', '2024-05-02 12:00:00'), "
            "('C', 4, " +
            Literal("7", "'7'") + ", " +
            Literal("'2024-05-02 23:59:59.5'", "'2024-05-02 23:59:59'") +
            "), "
            "('B', 5, '007', '2024-05-03 00:00:00'), "
            "('A', 6, '1', NULL), "
            "('A', 7, '1', " +
            Literal("1.5", "NULL") + ")");
    }

    // The ids an export with these options writes, as "1 2 3".
    std::string Ids(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--format", "jsonl"});
        const std::string lines = Export(arguments);
        std::string ids;
        for (std::size_t at = lines.find("{\"id\":"); at != std::string::npos;
             at = lines.find("{\"id\":", at + 1)) {
            const std::size_t start = at + 6;
            ids += (ids.empty() ? "" : " ") + lines.substr(start, lines.find(',', start) - start);
        }
        return ids;
    }
};

TEST_P(ExportFiltersTest, TerminalMatchesItsTextAndAnEqualNumber) {
    EXPECT_EQ(Ids({"--terminal", "1"}), "1 2 6 7");
    EXPECT_EQ(Ids({"--terminal", "2"}), "3");
    EXPECT_EQ(Ids({"--terminal", "007"}), "4 5");
    EXPECT_EQ(Ids({"--terminal", "9"}), "");
}

TEST_P(ExportFiltersTest, ADateAloneMeansTheWholeDay) {
    EXPECT_EQ(Ids({"--from", "2024-05-02", "--to", "2024-05-02"}), "2 3 4");
    EXPECT_EQ(Ids({"--from", "2024-05-02"}), "2 3 4 5");
    EXPECT_EQ(Ids({"--to", "2024-05-01"}), "1");
}

TEST_P(ExportFiltersTest, DateAndTimeBoundsAreIncludedToTheSecond) {
    EXPECT_EQ(Ids({"--from", "2024-05-02 12:00:00", "--to", "2024-05-02 12:00:00"}), "3");
    EXPECT_EQ(Ids({"--from", "2024-05-01 23:59:59", "--to", "2024-05-02 23:59:59"}), "1 2 3 4");
    EXPECT_EQ(Ids({"--from", "2024-05-02 00:00:01"}), "3 4 5");
}

TEST_P(ExportFiltersTest, FiltersCombine) {
    EXPECT_EQ(Ids({"--terminal", "1", "--from", "2024-05-02"}), "2");
    EXPECT_EQ(Ids({"--terminal", "1", "--to", "2024-05-02"}), "1 2");
}

TEST_P(ExportFiltersTest, TotalsArePerCodeInCodeOrder) {
    Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('a', 0.1, '1', '2024-05-04 00:00:00'), ('a', 0.2, '1', '2024-05-04 00:00:00'), "
        "('0012', NULL, '1', '2024-05-04 00:00:00'), (NULL, 2.5, '2', '2024-05-04 00:00:00')");
    const AdminResult result = Admin({"export", "--totals", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out,
              "code,qt,readings\r\n"
              ",2.5,1\r\n"
              "0012,,1\r\n"
              "A,17,4\r\n"
              "B,7,2\r\n"
              "C,4,1\r\n"
              "a,0.30000000000000004,2\r\n");
    EXPECT_EQ(result.err, "6 codes written\n");
    EXPECT_EQ(Export({"--totals", "--format", "csv-it", "--terminal", "1", "--to", "2024-05-02"}),
              "\xEF\xBB\xBF"
              "code;qt;readings\r\n"
              "A;1;1\r\n"
              "B;2;1\r\n");
    EXPECT_EQ(Export({"--totals", "--format", "jsonl", "--terminal", "2"}),
              "{\"code\":null,\"qt\":2.5,\"readings\":1}\n"
              "{\"code\":\"A\",\"qt\":3,\"readings\":1}\n");
}

// What another tool may leave in DateTime (rows 8 to 13) is in no date range; only a real date
// and time is (rows 14, 15), as on the server, whose column holds nothing else.
TEST_P(ExportFiltersTest, OnlyARealDateAndTimeIsInADateRange) {
    for (const char* stored :
         {"'soon'", "''", "'2026-12-07T09:00:00'", "'31/12/2026'", "'2024-02-30 10:00:00'",
          "CAST(x'323032362d31322d30372030ff' AS TEXT)"}) {
        Sql("INSERT INTO Readings (code, DateTime) VALUES ('X', " + Literal(stored, "NULL") + ")");
    }
    Sql("INSERT INTO Readings (code, qt, DateTime) VALUES ('D', 1, '2026-12-07 00:00:00')");
    Sql("INSERT INTO Readings (code, qt, DateTime) VALUES ('D', 2, " +
        Literal("'2026-12-07 23:59:59.75'", "'2026-12-07 23:59:59'") + ")");
    EXPECT_EQ(Ids({"--from", "2026-12-07"}), "14 15");
    EXPECT_EQ(Ids({"--to", "2026-12-07"}), "1 2 3 4 5 14 15");
    EXPECT_EQ(Export({"--totals", "--from", "2026-01-01"}), "code,qt,readings\r\nD,3,2\r\n");
}

TEST_P(ExportFiltersTest, ABadDateIsAUsageErrorAndNothingIsWritten) {
    for (const char* date : {"2024-02-30", "2024-5-1", "yesterday", "2024-05-01T10:00:00",
                             "2024-05-01 24:00:00", "2024-05-01 10:00", ""}) {
        for (const char* option : {"--from", "--to"}) {
            const AdminResult result = Admin({"export", option, date, path_});
            EXPECT_EQ(result.exit_status, 2) << option << " " << date;
            EXPECT_EQ(result.out, "") << option << " " << date;
            EXPECT_NE(result.err.find(std::string(option) + ": '" + date + "' is not a date"),
                      std::string::npos)
                << result.err;
            EXPECT_NE(result.err.find("usage: tavix-admin export"), std::string::npos);
        }
    }
    const AdminResult reversed =
        Admin({"export", "--from", "2024-05-03", "--to", "2024-05-02", path_});
    EXPECT_EQ(reversed.exit_status, 2);
    EXPECT_EQ(reversed.out, "");
    EXPECT_NE(reversed.err.find("--from 2024-05-03 is after --to 2024-05-02"), std::string::npos);
}

TAVIX_ON_EVERY_STORE_KIND(ExportFiltersTest);

}  // namespace
}  // namespace tavix::testing
