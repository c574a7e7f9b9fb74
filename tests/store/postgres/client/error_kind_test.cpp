#include <gtest/gtest.h>

#include <string>

#include "postgres_database.hpp"

namespace tavix::store::postgres {
namespace {

class ErrorKindTest : public PostgresDatabase {
  protected:
    ErrorKindTest() {
        connection_.Execute(
            "CREATE TABLE readings (code text NOT NULL, id int UNIQUE, qt float8 CHECK (qt > 0))",
            "create the table");
        connection_.Execute("INSERT INTO readings VALUES ('A', 1, 1)", "store a reading");
    }

    // The failure is of kind and leaves the connection as it was.
    void ExpectKind(const std::string& sql, ErrorKind kind, const std::string& server_words) {
        const PostgresError error = FailureOf(connection_, sql);
        const std::string message = error.what();
        EXPECT_EQ(error.Kind(), kind) << message;
        EXPECT_FALSE(error.ConnectionLost()) << message;
        EXPECT_TRUE(message.starts_with(connection_.MaskedTarget() +
                                        ": cannot run the statement: " + std::string(Reason(kind))))
            << message;
        EXPECT_NE(message.find(server_words), std::string::npos) << message;
        EXPECT_TRUE(connection_.IsOpen());
        EXPECT_EQ(ValueOf(connection_, "SELECT count(*) FROM readings"), "1");
    }

    Connection connection_ = Connect();
};

TEST_F(ErrorKindTest, AMissingTableOrColumn) {
    ExpectKind("SELECT * FROM no_such_table", ErrorKind::kNoSuchTable, "no_such_table");
    ExpectKind("SELECT no_such_column FROM readings", ErrorKind::kNoSuchTable, "no_such_column");
}

TEST_F(ErrorKindTest, ABrokenRuleOfTheTable) {
    ExpectKind("INSERT INTO readings VALUES ('B', 1, 1)", ErrorKind::kConstraint, "unique");
    ExpectKind("INSERT INTO readings VALUES (NULL, 2, 1)", ErrorKind::kConstraint, "null");
    ExpectKind("INSERT INTO readings VALUES ('B', 2, -1)", ErrorKind::kConstraint, "check");
}

TEST_F(ErrorKindTest, AWriteToADatabaseThatRefusesWrites) {
    connection_.Execute("SET default_transaction_read_only = on", "refuse writes");
    ExpectKind("INSERT INTO readings VALUES ('B', 2, 1)", ErrorKind::kReadOnly, "read-only");
}

// A read refused for want of a privilege is no sign of a database that refuses changes.
TEST_F(ErrorKindTest, AReadOrAWriteTheSessionsUserIsNotGranted) {
    connection_.Execute("SET ROLE pg_monitor", "take a role with no privilege on the table");
    for (const char* sql :
         {"SELECT code FROM readings", "INSERT INTO readings VALUES ('B', 2, 1)"}) {
        const PostgresError error = FailureOf(connection_, sql);
        EXPECT_EQ(error.Kind(), ErrorKind::kNotPermitted) << error.what();
        EXPECT_NE(std::string(error.what()).find("not granted the privilege"), std::string::npos);
    }
}

TEST_F(ErrorKindTest, SomethingElse) {
    ExpectKind("SELEKT 1", ErrorKind::kOther, "syntax");
    ExpectKind("SELECT 1 / 0", ErrorKind::kOther, "division by zero");
}

TEST_F(ErrorKindTest, ALockAnotherSessionHoldsPastTheLockTimeout) {
    Connection other = Connect();
    other.Execute("BEGIN", "begin");
    other.Execute("LOCK TABLE readings IN ACCESS EXCLUSIVE MODE", "lock the table");
    Connection hasty = Connect({.lock = std::chrono::milliseconds(100)});
    const PostgresError error = FailureOf(hasty, "SELECT count(*) FROM readings");
    EXPECT_EQ(error.Kind(), ErrorKind::kBusy) << error.what();
    EXPECT_FALSE(error.ConnectionLost());
    other.Execute("ROLLBACK", "let go");
    EXPECT_EQ(ValueOf(hasty, "SELECT count(*) FROM readings"), "1");
}

}  // namespace
}  // namespace tavix::store::postgres
