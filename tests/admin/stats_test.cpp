// `stats` on an empty and on a filled store of every kind, and the store named by the
// environment.

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class StatsTest : public AnyStoreTest {};

TEST_P(StatsTest, AnEmptyStore) {
    const AdminResult result = Admin({"stats", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out,
              "readings: 0\n"
              "first DateTime: (none)\n"
              "last DateTime: (none)\n"
              "readings per terminal: (none)\n");
}

TEST_P(StatsTest, CountsFirstAndLastAndTerminalsAsAPersonReadsThem) {
    Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('A', 1, '10', '2024-05-02 08:00:00'), ('A', 1, '2', '2024-05-01 07:00:00'), "
        "('A', 1, " +
        Literal("2.0", "'2'") +
        ", '2024-05-03 09:00:00'), ('A', 1, 'x', NULL), ('A', 1, NULL, "
        "'2024-05-02 10:00:00'), ('A', 1, '2', '2024-05-01 12:00:00')");
    const AdminResult result = Admin({"stats", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out,
              "readings: 6\n"
              "first DateTime: 2024-05-01 07:00:00\n"
              "last DateTime: 2024-05-03 09:00:00\n"
              "readings per terminal:\n"
              "  2: 3\n"
              "  10: 1\n"
              "  x: 1\n"
              "  (none): 1\n");
}

TEST_P(StatsTest, ControlCodesOfTheDataShowAsTheScreensShowThem) {
    Sql("INSERT INTO Readings (code, qt, terminal) VALUES ('A', 1, " +
        Literal("char(27, 91, 50, 74, 155)", "chr(27) || '[2J' || chr(155)") + ")");
    const AdminResult result = Admin({"stats", path_});
    EXPECT_NE(result.out.find("\n  \u2190[2J?: 1\n"), std::string::npos) << result.out;
}

TEST_P(StatsTest, TheStoreComesFromTheEnvironmentWhenNoTargetIsGiven) {
    AddReadings(7);
    AdminSetup environment;
    environment.environment["TAVIX_DATABASE"] = path_;
    const AdminResult result = Admin({"stats"}, environment);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("readings: 7\n", 0), 0u);
}

TAVIX_ON_EVERY_STORE_KIND(StatsTest);

}  // namespace
}  // namespace tavix::testing
