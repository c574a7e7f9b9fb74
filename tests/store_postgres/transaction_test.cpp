#include "store/postgres/transaction.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tavix::store::postgres
