// `tavix-admin forward` into the throw-away server: status 0 when everything went, 1 with the
// reason when a change is set aside or the server is out of reach; the server named by the
// argument, the environment or the settings; --mark-sent; a spool resent; and `stats`, `check`
// and `upgrade` around it.

#include <fstream>

#include "admin/admin_store_test.hpp"
#include "postgres_test_store.hpp"
#include "store/forwarding.hpp"

namespace tavix::testing {
namespace {

constexpr const char* kNoServer =
    "postgresql://tavix:Pw-s3cr3t@/tavix?host=/nonexistent-tavix-folder";

class PostgresForwardTest : public ::testing::Test {
  protected:
    PostgresForwardTest() : file_(MakeSqliteTestStore(dir_)), server_(MakePostgresTestStore()) {}

    static AdminResult Admin(const std::vector<std::string>& arguments,
                             const AdminSetup& setup = {}) {
        AdminResult result = RunAdmin(arguments, setup);
        EXPECT_EQ(result.out.find(kTestPassword), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(kTestPassword), std::string::npos) << result.err;
        return result;
    }

    std::string Forwarded(int changes, const std::string& from) const {
        return "Forwarded " + std::to_string(changes) + (changes == 1 ? " change" : " changes") +
               " from " + from + " to " + server_->Name() + "\n";
    }

    TempDir dir_;
    std::unique_ptr<TestStore> file_;
    std::unique_ptr<TestStore> server_;
    const std::string& path_ = file_->Target();
};

TEST_F(PostgresForwardTest, TheStatusSaysWhetherEverythingWent) {
    file_->Sql(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('A', 1, '3', '2026-01-01 10:00:00'), ('BIG', 5000, '3', NULL), ('B', 2, 3, NULL)");
    server_->Sql("ALTER TABLE readings ADD CONSTRAINT small CHECK (qt < 1000)");
    const AdminResult set_aside = Admin({"forward", path_, server_->Target()});
    EXPECT_EQ(set_aside.exit_status, 1);
    EXPECT_EQ(set_aside.out, Forwarded(2, path_));
    EXPECT_NE(set_aside.err.find("warning: set aside, the server refused it for good: "),
              std::string::npos);
    EXPECT_NE(set_aside.err.find("check constraint \"small\""), std::string::npos);
    EXPECT_NE(set_aside.err.find("1 change set aside"), std::string::npos) << set_aside.err;
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code <> 'BIG'"), 2);
    const AdminResult check = Admin({"check", path_});
    EXPECT_EQ(check.exit_status, 1);
    EXPECT_EQ(check.out, path_ +
                             ": 1 change set aside, refused for good by the server: the "
                             "reasons are in the table TavixSetAside\n");
    EXPECT_NE(Admin({"stats", path_})
                  .out.find("changes waiting to be forwarded: 0\n"
                            "changes set aside (refused by the server): 1\n"),
              std::string::npos);

    // A correction and a deletion follow, and nothing is left: status 0.
    file_->Sql(
        "UPDATE Readings SET qt = 7 WHERE code = 'A'; DELETE FROM Readings WHERE code = 'B'");
    const AdminResult follow = Admin({"forward", path_, server_->Target()});
    EXPECT_EQ(follow.exit_status, 0) << follow.err;
    EXPECT_EQ(follow.out, Forwarded(2, path_));
    EXPECT_EQ(follow.err, "");
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings"), 1);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code = 'A' AND qt = 7 AND "
                             "terminal = '3' AND datetime = '2026-01-01 10:00:00'"),
              1);

    // Out of reach: status 1, what is left and why.
    file_->Sql("INSERT INTO Readings (code, qt, terminal) VALUES ('C', 1, '3')");
    const AdminResult away = Admin({"forward", path_, kNoServer});
    EXPECT_EQ(away.exit_status, 1);
    EXPECT_EQ(away.out, "");
    EXPECT_EQ(away.err.rfind("tavix-admin: " + path_ +
                                 ": 1 change left to forward: "
                                 "postgresql://tavix:***@/tavix?host=/nonexistent-tavix-folder: "
                                 "cannot connect",
                             0),
              0u)
        << away.err;
    EXPECT_NE(Admin({"stats", path_}).out.find("changes waiting to be forwarded: 1 (the oldest "),
              std::string::npos);

    // The server from the settings file.
    std::ofstream(dir_.File("tavix.conf")) << "forward = " << server_->Target() << "\n";
    AdminSetup settings;
    settings.environment["TAVIX_CONFIG"] = dir_.File("tavix.conf");
    EXPECT_EQ(Admin({"forward", path_}, settings).out, Forwarded(1, path_));
}

TEST_F(PostgresForwardTest, MarkedSentHistoryStaysBehindAndASpoolIsResentOnce) {
    const std::string name = server_->Name();
    EXPECT_EQ(Admin({"upgrade", server_->Target()}).out,
              "Nothing to add: " + name + " has what forwarding needs\n");
    server_->Sql("ALTER TABLE readings DROP COLUMN source, DROP COLUMN source_id");
    server_->Sql("DROP TABLE tavix_forwarding");
    EXPECT_EQ(Admin({"upgrade", server_->Target()})
                  .out.rfind("Added to " + name + " for forwarding:\n  added the column ", 0),
              0u);

    file_->Sql("INSERT INTO Readings (code, qt, terminal) VALUES ('OLD', 1, '3')");
    EXPECT_EQ(Admin({"forward", path_, server_->Target(), "--mark-sent"}).out, Forwarded(0, path_));
    file_->Sql(
        "UPDATE Readings SET qt = 2; INSERT INTO Readings (code, qt, terminal) "
        "VALUES ('NEW', 1, '3')");
    EXPECT_EQ(Admin({"forward", path_, server_->Target()}).exit_status, 0);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code = 'NEW'"), 1);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings"), 1);

    // Two readings kept, one of which had landed after all: each is on the server once.
    const std::string spool = dir_.File("state/tavix/spool.mdb");
    const std::string landed = "0b7c1e9e-3a0f-4d55-9b1a-1c2d3e4f5a6b";
    server_->Sql("INSERT INTO readings (code, qt, reading_key) VALUES ('K2', 2, '" + landed + "')");
    const auto keeper = store::OpenSpool(spool);
    keeper->Keep("1b7c1e9e-3a0f-4d55-9b1a-1c2d3e4f5a6b",
                 {std::string("K1"), 1.0, std::string("5"), std::monostate{}});
    keeper->Keep(landed, {std::string("K2"), 2.0, std::string("5"), std::monostate{}});
    const AdminResult kept = Admin({"stats", spool});
    EXPECT_EQ(kept.out.rfind("readings kept to be resent: 2 (the oldest since ", 0), 0u)
        << kept.out << kept.err;
    EXPECT_EQ(Admin({"check", spool}).out, "ok\n");
    EXPECT_EQ(Admin({"forward", spool, server_->Target()}).exit_status, 0);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code IN ('K1', 'K2')"), 2);
    EXPECT_EQ(Admin({"stats", spool}).out.rfind("readings kept to be resent: 0\n", 0), 0u);
}

}  // namespace
}  // namespace tavix::testing
