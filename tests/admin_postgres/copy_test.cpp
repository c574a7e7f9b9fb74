// `tavix-admin copy` between an SQLite file and PostgreSQL, both ways: every value kept (or,
// where PostgreSQL cannot hold it, changed as documented and said), the order kept, the target
// filled in one transaction and refused when it holds readings or is not a readings store; the
// password never shown. And `tavix-admin forward` between the same two: status 0 when everything
// went, 1 with the reason when something is set aside or left; --mark-sent, a spool, and stats,
// check and upgrade around it.

#include <fstream>

#include "admin/admin_store_test.hpp"
#include "postgres_test_store.hpp"
#include "store/forwarding.hpp"
#include "support/postgres/shared_server.hpp"

namespace tavix::testing {
namespace {

constexpr int kManyReadings = 20000;

class PostgresCopyTest : public ::testing::Test {
  protected:
    PostgresCopyTest() : file_(MakeSqliteTestStore(dir_)), server_(MakePostgresTestStore()) {}

    // tavix-admin, which never shows the password.
    static AdminResult Admin(const std::vector<std::string>& arguments,
                             const AdminSetup& setup = {}) {
        AdminResult result = RunAdmin(arguments, setup);
        EXPECT_EQ(result.out.find(kTestPassword), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(kTestPassword), std::string::npos) << result.err;
        return result;
    }

    AdminResult Copy(const TestStore& source, const TestStore& target) {
        return Admin({"copy", source.Target(), target.Target()});
    }

    std::string ExportOf(const TestStore& store, const std::string& format) {
        const AdminResult result = Admin({"export", "--format", format, store.Target()});
        EXPECT_EQ(result.exit_status, 0) << result.err;
        return result.out;
    }

    TempDir dir_;
    std::unique_ptr<TestStore> file_;
    std::unique_ptr<TestStore> server_;
};

TEST_F(PostgresCopyTest, EveryValueAndTheOrderGoToPostgresqlAndBack) {
    file_->Sql(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('a,b;c', 2.5, '1', '2024-05-01 10:00:00'), "
        "('gone', 1, '1', '2024-05-01 10:00:00'), "
        "('say \"hi\" ''x''', -0.25, 6.0, '2024-05-01 10:00:01'), "
        "('line1\r\nline2', 1e308, 7, '2024-05-02 08:00:00'), "
        "('Però€ Łódź 日本', 0.1, '007', '2024-12-31 23:59:59'), "
        "(NULL, NULL, NULL, NULL), "
        "('', 0, '', '0001-01-01 00:00:00'), "
        "('x', 9e999, 2.5, '9999-12-31 23:59:59'), "
        "('0012', -9e999, 'T\r', '2024-02-29 12:00:00')");
    file_->Sql("DELETE FROM Readings WHERE code = 'gone'");

    const AdminResult there = Copy(*file_, *server_);
    EXPECT_EQ(there.exit_status, 0) << there.err;
    EXPECT_EQ(there.out,
              "Copied 8 readings from " + file_->Name() + " to " + server_->Name() + "\n");
    EXPECT_EQ(there.err, "");
    // New ids in the same order; terminals as texts, numbers in the general form.
    const std::string expected =
        R"({"id":1,"code":"a,b;c","qt":2.5,"terminal":"1","DateTime":"2024-05-01 10:00:00"})"
        "\n"
        R"({"id":2,"code":"say \"hi\" 'x'","qt":-0.25,"terminal":"6","DateTime":"2024-05-01 10:00:01"})"
        "\n"
        R"({"id":3,"code":"line1\r\nline2","qt":1e+308,"terminal":"7","DateTime":"2024-05-02 08:00:00"})"
        "\n"
        R"({"id":4,"code":"Però€ Łódź 日本","qt":0.1,"terminal":"007","DateTime":"2024-12-31 23:59:59"})"
        "\n"
        R"({"id":5,"code":null,"qt":null,"terminal":null,"DateTime":null})"
        "\n"
        R"({"id":6,"code":"","qt":0,"terminal":"","DateTime":"0001-01-01 00:00:00"})"
        "\n"
        R"({"id":7,"code":"x","qt":null,"terminal":"2.5","DateTime":"9999-12-31 23:59:59"})"
        "\n"
        R"({"id":8,"code":"0012","qt":null,"terminal":"T\r","DateTime":"2024-02-29 12:00:00"})"
        "\n";
    EXPECT_EQ(ExportOf(*server_, "jsonl"), expected);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE qt = 'Infinity'"), 1);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE qt = '-Infinity'"), 1);
    EXPECT_EQ(server_->Count("SELECT count(DISTINCT reading_key) FROM readings"), 8);

    TempDir back_dir;
    const std::unique_ptr<TestStore> back = MakeSqliteTestStore(back_dir);
    const AdminResult again = Copy(*server_, *back);
    EXPECT_EQ(again.exit_status, 0) << again.err;
    EXPECT_EQ(again.out,
              "Copied 8 readings from " + server_->Name() + " to " + back->Name() + "\n");
    EXPECT_EQ(ExportOf(*back, "jsonl"), expected);
    EXPECT_EQ(ExportOf(*back, "csv"), ExportOf(*server_, "csv"));
    EXPECT_EQ(back->Count("SELECT count(*) FROM Readings WHERE typeof(terminal) = 'text'"), 7);
    EXPECT_EQ(back->Count("SELECT count(*) FROM Readings WHERE typeof(qt) = 'real'"), 7);
}

TEST_F(PostgresCopyTest, ManyReadingsGoBothWaysInOrder) {
    file_->AddReadings(kManyReadings);
    const AdminResult there = Copy(*file_, *server_);
    EXPECT_EQ(there.exit_status, 0) << there.err;
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings"), kManyReadings);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code = 'C' || id AND qt = id "
                             "AND terminal = '1' AND datetime = '2024-05-01 10:00:00'"),
              kManyReadings);

    TempDir back_dir;
    const std::unique_ptr<TestStore> back = MakeSqliteTestStore(back_dir);
    const AdminResult again = Copy(*server_, *back);
    EXPECT_EQ(again.exit_status, 0) << again.err;
    EXPECT_EQ(back->Count("SELECT count(*) FROM Readings WHERE code = 'C' || id AND qt = id "
                          "AND terminal = '1' AND DateTime = '2024-05-01 10:00:00'"),
              kManyReadings);
}

TEST_F(PostgresCopyTest, ValuesPostgresqlCannotHoldAreChangedAsDocumentedAndSaid) {
    file_->Sql(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "(CAST(x'41FF42' AS TEXT), 1, char(97, 0, 98), '2024-05-01 10:00:00'), "
        "('b', 'ab' || char(27, 155), '1', 'not a date'), "
        "('c', 2, '1', 45000.5), "
        "('d', 3, '1', '2024-05-02 23:59:59.5'), "
        "('e', 4, '1', '2024-02-30 10:00:00'), "
        "('f', 5, '1', '2024-05-03 10:00:00')");
    const AdminResult result = Copy(*file_, *server_);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    const std::string of = " of " + file_->Name() + ": ";
    EXPECT_EQ(result.err,
              "tavix-admin: warning: reading 1" + of +
                  "code holds bytes that are not UTF-8 or a NUL: each such byte stored as "
                  "U+FFFD\n"
                  "tavix-admin: warning: reading 1" +
                  of +
                  "terminal holds bytes that are not UTF-8 or a NUL: each such byte stored as "
                  "U+FFFD\n"
                  "tavix-admin: warning: reading 2" +
                  of + "qt \"ab\u2190?\" is not a number: stored as NULL\n" +
                  "tavix-admin: warning: reading 2" + of +
                  "DateTime \"not a date\" is not a date and time: stored as NULL\n" +
                  "tavix-admin: warning: reading 3" + of +
                  "DateTime 45000.5 is a number, not a date and time: stored as NULL\n" +
                  "tavix-admin: warning: reading 4" + of +
                  "DateTime \"2024-05-02 23:59:59.5\" has a fraction of a second: stored as "
                  "2024-05-02 23:59:59\n" +
                  "tavix-admin: warning: reading 5" + of +
                  "DateTime \"2024-02-30 10:00:00\" is not a date and time: stored as NULL\n");
    EXPECT_EQ(result.out, "Copied 6 readings from " + file_->Name() + " to " + server_->Name() +
                              " (5 readings with a value the target holds otherwise, see "
                              "above)\n");
    EXPECT_EQ(ExportOf(*server_, "csv"),
              "id,code,qt,terminal,DateTime\r\n"
              "1,A\xEF\xBF\xBD"
              "B,1,a\xEF\xBF\xBD"
              "b,2024-05-01 10:00:00\r\n"
              "2,b,,1,\r\n"
              "3,c,2,1,\r\n"
              "4,d,3,1,2024-05-02 23:59:59\r\n"
              "5,e,4,1,\r\n"
              "6,f,5,1,2024-05-03 10:00:00\r\n");
}

TEST_F(PostgresCopyTest, ATargetHoldingReadingsIsRefusedAndKeptAsItWas) {
    file_->AddReadings(5);
    server_->AddReadings(3);
    const AdminResult result = Copy(*file_, *server_);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "tavix-admin: " + server_->Name() +
                              ": cannot copy into the store: it already holds 3 readings; copy "
                              "fills only an empty store, so nothing was copied\n");
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings"), 3);

    file_->Sql("DELETE FROM Readings WHERE id > 1");
    const AdminResult back = Copy(*server_, *file_);
    EXPECT_EQ(back.exit_status, 1);
    EXPECT_EQ(back.err, "tavix-admin: " + file_->Name() +
                            ": cannot copy into the store: it already holds 1 reading; copy "
                            "fills only an empty store, so nothing was copied\n");
    EXPECT_EQ(file_->Count("SELECT count(*) FROM Readings"), 1);
}

TEST_F(PostgresCopyTest, ADatabaseWithoutTheReadingsTableIsRefusedWithTheWayToMakeIt) {
    file_->AddReadings(5);
    FreshDatabase empty;
    const std::string target = WithPassword(empty.Uri());
    const AdminResult result = Admin({"copy", file_->Target(), target});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.err.find(": cannot copy into the store: it is not an initialised readings "
                              "store (there is no table readings); create the store with "
                              "tavix-admin init first"),
              std::string::npos)
        << result.err;
}

TEST_F(PostgresCopyTest, AMissingSourceOrTargetIsAFailureNamingIt) {
    file_->AddReadings(5);
    const std::string missing = WithPassword(SharedPostgresServer().Uri("no_such_database"));
    const AdminResult from_missing = Admin({"copy", missing, file_->Target()});
    EXPECT_EQ(from_missing.exit_status, 1);
    EXPECT_NE(from_missing.err.find("postgresql://postgres:***@/no_such_database"),
              std::string::npos)
        << from_missing.err;
    EXPECT_NE(from_missing.err.find("cannot connect"), std::string::npos) << from_missing.err;

    const AdminResult to_missing = Admin({"copy", file_->Target(), missing});
    EXPECT_EQ(to_missing.exit_status, 1);
    EXPECT_NE(to_missing.err.find("postgresql://postgres:***@/no_such_database"), std::string::npos)
        << to_missing.err;
}

TEST_F(PostgresCopyTest, AFailureOnTheWayLeavesTheTargetEmpty) {
    file_->AddReadings(kManyReadings);
    server_->Sql(
        "CREATE FUNCTION refuse_late() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF NEW.code = 'C15000' THEN RAISE EXCEPTION 'refused here'; END IF; RETURN NEW; END $$");
    server_->Sql(
        "CREATE TRIGGER refuse BEFORE INSERT ON readings FOR EACH ROW EXECUTE FUNCTION "
        "refuse_late()");
    const AdminResult result = Copy(*file_, *server_);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(server_->Name() + ": cannot store the copied readings"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("refused here"), std::string::npos) << result.err;
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings"), 0);
}

using PostgresForwardTest = PostgresCopyTest;

std::string Forwarded(int changes, const TestStore& from, const TestStore& to) {
    return "Forwarded " + std::to_string(changes) + (changes == 1 ? " change" : " changes") +
           " from " + from.Name() + " to " + to.Name() + "\n";
}

TEST_F(PostgresForwardTest, TheStatusSaysWhetherEverythingWent) {
    const std::string& path = file_->Target();
    file_->Sql(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('A', 1, '3', '2026-01-01 10:00:00'), ('BIG', 5000, '3', NULL), ('B', 2, 3, NULL)");
    server_->Sql("ALTER TABLE readings ADD CONSTRAINT small CHECK (qt < 1000)");
    const AdminResult set_aside = Admin({"forward", path, server_->Target()});
    EXPECT_EQ(set_aside.exit_status, 1);
    EXPECT_EQ(set_aside.out, Forwarded(2, *file_, *server_));
    EXPECT_NE(set_aside.err.find("warning: set aside, the server refused it for good: "),
              std::string::npos);
    EXPECT_NE(set_aside.err.find("check constraint \"small\""), std::string::npos);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code <> 'BIG'"), 2);
    const AdminResult check = Admin({"check", path});
    EXPECT_EQ(check.exit_status, 1);
    EXPECT_EQ(check.out, path +
                             ": 1 change set aside, refused for good by the server: the "
                             "reasons are in the table TavixSetAside\n");
    EXPECT_NE(Admin({"stats", path}).out.find("set aside (refused by the server): 1\n"),
              std::string::npos);

    // A correction and a deletion follow, and nothing is left: status 0.
    file_->Sql(
        "UPDATE Readings SET qt = 7 WHERE code = 'A'; DELETE FROM Readings WHERE code = 'B'");
    const AdminResult follow = Admin({"forward", path, server_->Target()});
    EXPECT_EQ(follow.exit_status, 0) << follow.err;
    EXPECT_EQ(follow.out, Forwarded(2, *file_, *server_));
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings"), 1);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code = 'A' AND qt = 7 AND "
                             "terminal = '3' AND datetime = '2026-01-01 10:00:00'"),
              1);

    // Out of reach: status 1, what is left and why.
    file_->Sql("INSERT INTO Readings (code, qt, terminal) VALUES ('C', 1, '3')");
    const AdminResult away = Admin({"forward", path, "postgresql://u:Pw-s3cr3t@/t?host=/none"});
    EXPECT_EQ(away.exit_status, 1);
    EXPECT_EQ(away.err.rfind("tavix-admin: " + path + ": 1 change left to forward: " +
                                 "postgresql://u:***@/t?host=/none: cannot connect",
                             0),
              0u);
    EXPECT_NE(Admin({"stats", path}).out.find("forwarded: 1 (the oldest since "),
              std::string::npos);

    // The server from the settings file.
    std::ofstream(dir_.File("tavix.conf")) << "forward = " << server_->Target() << "\n";
    AdminSetup settings;
    settings.environment["TAVIX_CONFIG"] = dir_.File("tavix.conf");
    EXPECT_EQ(Admin({"forward", path}, settings).out, Forwarded(1, *file_, *server_));
}

TEST_F(PostgresForwardTest, MarkedSentHistoryStaysBehindAndASpoolIsResentOnce) {
    const std::string& path = file_->Target();
    const std::string name = server_->Name();
    server_->Sql("ALTER TABLE readings DROP COLUMN source, DROP COLUMN source_id");
    server_->Sql("DROP TABLE tavix_forwarding");
    EXPECT_EQ(Admin({"upgrade", server_->Target()})
                  .out.rfind("Added to " + name + " for forwarding:\n  added the column ", 0),
              0u);

    file_->Sql("INSERT INTO Readings (code, qt, terminal) VALUES ('OLD', 1, '3')");
    EXPECT_EQ(Admin({"forward", path, server_->Target(), "--mark-sent"}).out,
              Forwarded(0, *file_, *server_));
    file_->Sql(
        "UPDATE Readings SET qt = 2; INSERT INTO Readings (code, qt, terminal) "
        "VALUES ('NEW', 1, '3')");
    EXPECT_EQ(Admin({"forward", path, server_->Target()}).exit_status, 0);
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
    EXPECT_EQ(Admin({"stats", spool}).out.rfind("readings kept to be resent: 2 (the oldest ", 0),
              0u);
    EXPECT_EQ(Admin({"forward", spool, server_->Target()}).exit_status, 0);
    EXPECT_EQ(server_->Count("SELECT count(*) FROM readings WHERE code IN ('K1', 'K2')"), 2);
    EXPECT_EQ(Admin({"stats", spool}).out.rfind("readings kept to be resent: 0\n", 0), 0u);
}

}  // namespace
}  // namespace tavix::testing
