#include <stdlib.h>

#include <chrono>

#include "readings_server.hpp"
#include "support/postgres/server_certificates.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The kind of the StoreError that storing a reading throws; nothing when it is stored.
std::optional<ErrorKind> FailureToStore(Recordset& readings, const char* code) {
    try {
        AddReading(readings, code);
    } catch (const StoreError& error) {
        return error.Kind();
    }
    return std::nullopt;
}

class ConnectionFaultsTest : public ReadingsOnServer {
  protected:
    std::string StoredCodes() {
        return ValueOf("SELECT coalesce(string_agg(code, ',' ORDER BY id), '') FROM readings");
    }
};

// The server ends the store's session between two readings (an administrator's
// pg_terminate_backend): the next reading connects again by itself and is stored, and so do
// the moves of a browser.
TEST_F(ConnectionFaultsTest, ASessionEndedBetweenTwoReadingsIsMadeAgainOnce) {
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    AddReading(readings, "A");
    TerminateStoreSessions();
    EXPECT_EQ(FailureToStore(readings, "B"), std::nullopt);
    TerminateStoreSessions();
    readings.MoveLast();
    EXPECT_EQ(readings.Fields("code"), Value("B"));
    TerminateStoreSessions();
    readings.Edit();
    readings.SetField("code", "C");
    readings.Update();
    EXPECT_EQ(StoredCodes(), "A,C");
    // The sessions made again keep the target's encryption, as the server sees it.
    EXPECT_EQ(ValueOf("SELECT string_agg(DISTINCT ssl::text, ',') FROM pg_stat_ssl "
                      "JOIN pg_stat_activity USING (pid) WHERE datname = current_database()"),
              testing::RouteInUse() == testing::Route::kTls ? "true" : "false");
}

// A certificate the client cannot trust ends the opening at once with libpq's words, whatever
// the route of the other tests: signed by another authority (named in the environment, as
// PGSSLROOTCERT does for a URI that says nothing of TLS, or in the URI, which wins over it), or
// for another host name. So does a client key whose passphrase the URI does not give: never a
// prompt on the terminal, under the program's screen.
TEST_F(ConnectionFaultsTest,
       ACertificateOrKeyThatCannotServeFailsPromptlyWithLibpqsWordsAndNoPrompt) {
    testing::TempDir folder;
    const testing::CertificateAndKey other = testing::MakeCertificateAuthority(folder.Path(), "p");
    const testing::PostgresServer& server = testing::SharedPostgresServer();
    const std::string tcp = "postgresql://postgres@localhost:" + std::to_string(server.Port()) +
                            "/" + database_.Name() + "?";
    const std::string tls =
        "sslmode=verify-full&sslrootcert=" + testing::CertificatesIn(server.Folder()).authority;
    ::setenv("PGSSLMODE", "verify-full", 1);
    ::setenv("PGSSLROOTCERT", other.certificate.c_str(), 1);
    ::testing::internal::CaptureStderr();
    for (const auto& [target, said] :
         {std::pair{tcp + "sslpassword=k3y", "certificate verify failed"},
          std::pair{tcp + tls + "&sslpassword=k3y&sslrootcert=" + other.certificate,
                    "certificate verify failed"},
          std::pair{tcp + tls + "&sslpassword=k3y&host=tavix.invalid&hostaddr=127.0.0.1",
                    "does not match host name \"tavix.invalid\""},
          std::pair{tcp + tls + "&sslcert=" + other.certificate + "&sslkey=" + other.key,
                    "could not load private key file"}}) {
        const auto start = Clock::now();
        Database database = OpenDatabase(target);
        Recordset readings = database.OpenRecordset("Readings");
        try {
            readings.Eof();
            ADD_FAILURE() << "trusted: " << target;
        } catch (const StoreError& error) {
            const std::string message = error.what();
            EXPECT_EQ(error.Kind(), ErrorKind::kConnectionLost);
            EXPECT_NE(message.find(said), std::string::npos) << message;
            EXPECT_EQ(message.find("k3y"), std::string::npos) << message;
        }
        EXPECT_LT(Clock::now() - start, 3s);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ::unsetenv("PGSSLMODE");
    ::unsetenv("PGSSLROOTCERT");
}

TEST_F(ConnectionFaultsTest, AServerRestartedBetweenTwoReadingsIsConnectedToAgain) {
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    AddReading(readings, "A");
    {
        ServerDownForAWhile restart;
        restart.StartAgain();
    }
    EXPECT_EQ(FailureToStore(readings, "B"), std::nullopt);
    EXPECT_EQ(StoredCodes(), "A,B");
}

// While the server is down each reading fails, within the bounded wait and without storing
// anything; once it is back the next one is stored: the failure does not stick.
TEST_F(ConnectionFaultsTest, ReadingsFailWhileTheServerIsDownAndAreStoredOnceItIsBack) {
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    AddReading(readings, "A");
    ServerDownForAWhile down;
    const auto start = Clock::now();
    EXPECT_EQ(FailureToStore(readings, "LOST"), ErrorKind::kConnectionLost);
    EXPECT_EQ(FailureToStore(readings, "LOST"), ErrorKind::kConnectionLost);
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_THROW(readings.MoveFirst(), StoreError);
    down.StartAgain();
    EXPECT_EQ(FailureToStore(readings, "B"), std::nullopt);
    readings.MoveFirst();
    EXPECT_EQ(readings.Fields("code"), Value("A"));
    EXPECT_EQ(StoredCodes(), "A,B");
}

// A server down when the program starts is no failure yet: the program starts as with a missing
// file, without readings; a reading then fails; once the server is back, the store connects.
TEST_F(ConnectionFaultsTest, AServerDownAtStartUpIsConnectedToOnceItIsBack) {
    {
        Database before = OpenDatabase(Uri());
        Recordset readings = before.OpenRecordset("Readings");
        AddReading(readings, "BEFORE");
    }
    ServerDownForAWhile down;
    Database database = OpenDatabase(Uri());
    Recordset readings = database.OpenRecordset("Readings");
    EXPECT_THROW(readings.Eof(), StoreError);
    EXPECT_EQ(FailureToStore(readings, "LOST"), ErrorKind::kConnectionLost);
    down.StartAgain();
    EXPECT_EQ(readings.Fields("code"), Value("BEFORE"));  // read at the first use, on the first
    EXPECT_EQ(FailureToStore(readings, "AFTER"), std::nullopt);
    EXPECT_EQ(StoredCodes(), "BEFORE,AFTER");
}

// Another session holds the table: a reading waits no longer than the bounded wait for locks,
// fails as busy, and the next one, once the lock is gone, is stored.
TEST_F(ConnectionFaultsTest, ALockHeldByAnotherSessionEndsTheWaitAsBusy) {
    Database database = OpenDatabase(Uri(), 200ms);
    Recordset readings = database.OpenRecordset("Readings");
    administrator_.Execute("BEGIN", "hold the table");
    administrator_.Execute("LOCK TABLE readings IN ACCESS EXCLUSIVE MODE", "hold the table");
    const auto start = Clock::now();
    EXPECT_EQ(FailureToStore(readings, "LOST"), ErrorKind::kBusy);
    EXPECT_LT(Clock::now() - start, 3s);
    administrator_.Execute("ROLLBACK", "let go");
    EXPECT_EQ(FailureToStore(readings, "B"), std::nullopt);
    EXPECT_EQ(StoredCodes(), "B");
}

}  // namespace
}  // namespace tavix::store
