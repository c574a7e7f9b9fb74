#include <gtest/gtest.h>

#include <thread>

#include "postgres_database.hpp"
#include "store/postgres/client/transaction.hpp"

namespace tavix::store::postgres {
namespace {

class ConnectionLostTest : public PostgresDatabase {
  protected:
    ConnectionLostTest() {
        victim_.Execute("CREATE TABLE readings (code text)", "create the table");
    }

    void TerminateVictim() {
        EXPECT_EQ(
            ValueOf(administrator_, "SELECT pg_terminate_backend(" +
                                        std::to_string(victim_.ServerProcessId()) + ", 5000)"),
            "t");
    }

    Connection victim_ = Connect();
    Connection administrator_ = Connect();
};

TEST_F(ConnectionLostTest, AConnectionTheServerEndedIsReportedLostAndReopens) {
    TerminateVictim();
    const PostgresError error = FailureOf(victim_, "SELECT 1");
    EXPECT_EQ(error.Kind(), ErrorKind::kConnectionLost) << error.what();
    EXPECT_TRUE(error.ConnectionLost());
    const std::string message = error.what();
    EXPECT_TRUE(message.starts_with(victim_.MaskedTarget() + ": cannot ")) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;  // one line, however libpq says it
    EXPECT_FALSE(victim_.IsOpen());

    // Closed, it stays lost until reopened: no statement goes to a stale connection.
    const PostgresError again = FailureOf(victim_, "SELECT 1");
    EXPECT_TRUE(again.ConnectionLost());

    victim_.Reopen();
    EXPECT_TRUE(victim_.IsOpen());
    EXPECT_EQ(ValueOf(victim_, "SHOW synchronous_commit"), "on");  // a prepared session again
    victim_.Execute("INSERT INTO readings VALUES ('after')", "store a reading");
    EXPECT_EQ(ValueOf(administrator_, "SELECT count(*) FROM readings"), "1");
}

TEST_F(ConnectionLostTest, AConnectionEndedDuringAStatementIsReportedLost) {
    std::thread terminator([this] {
        try {
            const Parameter victim = std::to_string(victim_.ServerProcessId());
            const auto deadline = Clock::now() + 10s;
            while (Clock::now() < deadline &&
                   administrator_
                           .Execute("SELECT count(*) FROM pg_stat_activity WHERE pid = $1 "
                                    "AND state = 'active' AND query LIKE '%pg_sleep%'",
                                    {victim}, "look for the statement")
                           .Text(0, 0) != "1") {
                std::this_thread::sleep_for(10ms);
            }
            TerminateVictim();
        } catch (const PostgresError& error) {
            ADD_FAILURE() << error.what();
        }
    });
    const PostgresError error = FailureOf(victim_, "SELECT pg_sleep(30)");
    terminator.join();
    EXPECT_EQ(error.Kind(), ErrorKind::kConnectionLost) << error.what();
    EXPECT_TRUE(error.ConnectionLost());
    EXPECT_FALSE(victim_.IsOpen());
}

TEST_F(ConnectionLostTest, ATransactionWhoseConnectionIsLostCommitsNothing) {
    {
        Transaction transaction(victim_, "store a reading");
        victim_.Execute("INSERT INTO readings VALUES ('lost')", "store a reading");
        TerminateVictim();
        try {
            transaction.Commit();
            ADD_FAILURE() << "committed on a terminated connection";
        } catch (const PostgresError& error) {
            EXPECT_TRUE(error.ConnectionLost()) << error.what();
        }
    }  // and its end does not touch the lost connection
    EXPECT_EQ(ValueOf(administrator_, "SELECT count(*) FROM readings"), "0");
    EXPECT_FALSE(victim_.IsOpen());
}

}  // namespace
}  // namespace tavix::store::postgres
