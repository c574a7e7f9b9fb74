#include "store/postgres/client/transaction.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "postgres_database.hpp"

namespace tavix::store::postgres {
namespace {

class TransactionTest : public PostgresDatabase {
  protected:
    TransactionTest() {
        writer_.Execute("CREATE TABLE readings (code text PRIMARY KEY)", "create the table");
    }

    void Insert(const std::string& code) {
        writer_.Execute("INSERT INTO readings (code) VALUES ($1)", {code}, "store a reading");
    }

    std::string Count() { return ValueOf(reader_, "SELECT count(*) FROM readings"); }

    Connection writer_ = Connect();
    Connection reader_ = Connect();
};

TEST_F(TransactionTest, OthersSeeTheChangesOnlyOnceCommitted) {
    Transaction transaction(writer_, "store two readings");
    Insert("A");
    Insert("B");
    EXPECT_EQ(Count(), "0");
    transaction.Commit();
    EXPECT_EQ(Count(), "2");
}

TEST_F(TransactionTest, RollbackAndDestructionWithoutCommitKeepNothing) {
    {
        Transaction transaction(writer_, "store a reading");
        Insert("A");
        transaction.Rollback();
    }
    {
        Transaction transaction(writer_, "store a reading");
        Insert("B");
    }
    EXPECT_EQ(Count(), "0");
    Insert("C");  // the connection is out of the transaction again
    EXPECT_EQ(Count(), "1");
}

TEST_F(TransactionTest, CommitAfterAFailedStatementFailsAndStoresNothing) {
    // The server answers this COMMIT with ROLLBACK and no error: reporting it as stored would
    // lose the readings silently.
    Insert("A");
    Transaction transaction(writer_, "store two readings");
    Insert("B");
    EXPECT_THROW(Insert("A"), PostgresError);
    try {
        transaction.Commit();
        ADD_FAILURE() << "a failed transaction was reported committed";
    } catch (const PostgresError& error) {
        EXPECT_FALSE(error.ConnectionLost());
        EXPECT_NE(std::string(error.what()).find("cannot store two readings"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(Count(), "1");
    EXPECT_TRUE(writer_.IsOpen());
    Insert("C");
    EXPECT_EQ(Count(), "2");
}

TEST_F(TransactionTest, ACommitThatRunsTooLongFailsInTimeAndTheServerAbandonsIt) {
    // Deferred work runs within the COMMIT, past the server's statement timeout: only the
    // client's own deadline ends the wait, and the server must then give the commit up.
    writer_.Execute(
        "CREATE FUNCTION slowly() RETURNS trigger LANGUAGE plpgsql AS "
        "$$ BEGIN PERFORM pg_sleep(30); RETURN NULL; END $$",
        "create the slow check");
    writer_.Execute(
        "CREATE CONSTRAINT TRIGGER slow_check AFTER INSERT ON readings DEFERRABLE INITIALLY "
        "DEFERRED FOR EACH ROW EXECUTE FUNCTION slowly()",
        "defer the slow check");
    Connection hasty = Connect(kShortWaits);
    const Parameter server_process = std::to_string(hasty.ServerProcessId());
    Transaction transaction(hasty, "store a reading");
    hasty.Execute("INSERT INTO readings (code) VALUES ('A')", "store a reading");
    const auto start = Clock::now();
    try {
        transaction.Commit();
        ADD_FAILURE() << "the slow COMMIT succeeded";
    } catch (const PostgresError& error) {
        EXPECT_EQ(error.Kind(), ErrorKind::kTimedOut) << error.what();
        EXPECT_TRUE(error.ConnectionLost());  // whether it landed is not known here
    }
    EXPECT_LT(Clock::now() - start, 5s);

    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline &&
           reader_.Execute("SELECT count(*) FROM pg_stat_activity WHERE pid = $1", {server_process},
                           "look for the server process")
                   .Text(0, 0) != "0") {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_LT(Clock::now() - start, 10s) << "the server went on with the abandoned commit";
    EXPECT_EQ(Count(), "0");
}

}  // namespace
}  // namespace tavix::store::postgres
