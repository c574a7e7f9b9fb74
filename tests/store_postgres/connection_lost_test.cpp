#include <gtest/gtest.h>

#include "postgres_database.hpp"
#include "store/postgres/transaction.hpp"

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
    EXPECT_TRUE(std::string(error.what()).starts_with(victim_.MaskedTarget() + ": cannot "))
        << error.what();
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
