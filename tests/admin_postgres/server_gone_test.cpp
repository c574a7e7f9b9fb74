// A server that stops in the middle of an export, or is not running at all: every command
// fails with a message that names the store (its password masked) and says what happened, and
// exits with status 1; an export to a file leaves no file.

#include <filesystem>

#include "admin/admin_store_test.hpp"
#include "postgres_test_store.hpp"
#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/password_mask.hpp"
#include "support/postgres/postgres_server.hpp"

namespace tavix::testing {
namespace {

constexpr int kReadings = 100000;

void ExpectFailureNaming(const AdminResult& result, const std::string& name,
                         const std::string& what) {
    EXPECT_EQ(result.exit_status, 1) << result.err;
    EXPECT_EQ(result.err.rfind("tavix-admin: " + name + ": cannot ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(what), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(kTestPassword), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find(kTestPassword), std::string::npos);
}

// A server of this test's own, since it stops it.
TEST(ServerGoneTest, EveryCommandFailsClearlyOnceTheServerStops) {
    PostgresServer server;
    {
        store::postgres::Connection administrator(server.ConnInfo("postgres"));
        administrator.ExecuteAlone("CREATE DATABASE tavix", "create the database");
        store::CreateReadingsDatabase(server.Uri("tavix"));
        store::postgres::Connection connection(server.ConnInfo("tavix"));
        connection.Execute(
            "INSERT INTO readings (code, qt, terminal, datetime) SELECT 'C' || i, i, '1', "
            "'2024-05-01 10:00:00' FROM generate_series(1, " +
                std::to_string(kReadings) + ") AS i",
            "fill the table");
    }
    // The password in the query this time.
    const std::string target = server.Uri("tavix") + "&password=" + std::string(kTestPassword);
    const std::string name = store::postgres::MaskPassword(target);
    ASSERT_EQ(name.find(kTestPassword), std::string::npos);

    AdminProcess exporting({"export", target});
    exporting.ReadOutputUntil(100);  // in the middle: the export waits on the full pipe
    server.Stop();
    const AdminResult broken = exporting.Finish();
    ExpectFailureNaming(broken, name, "cannot read the readings");
    EXPECT_LT(std::count(broken.out.begin(), broken.out.end(), '\n'), kReadings);

    TempDir dir;
    const std::string output = dir.File("out.csv");
    ExpectFailureNaming(RunAdmin({"export", "--output", output, target}), name,
                        "cannot connect: the server cannot be reached");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{});
    for (const char* command : {"check", "stats"}) {
        ExpectFailureNaming(RunAdmin({command, target}), name,
                            "cannot connect: the server cannot be reached");
    }
    const std::unique_ptr<TestStore> file = MakeSqliteTestStore(dir);
    ExpectFailureNaming(RunAdmin({"copy", target, file->Target()}), name, "cannot connect");
    ExpectFailureNaming(RunAdmin({"copy", file->Target(), target}), name, "cannot connect");
}

}  // namespace
}  // namespace tavix::testing
