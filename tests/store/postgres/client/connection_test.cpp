#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "postgres_database.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store::postgres {
namespace {

using ConnectionTest = PostgresDatabase;

TEST_F(ConnectionTest, ConnectsFromAKeyValueStringAndFromBothUriSchemes) {
    const std::string uri = database_.Uri();
    ASSERT_TRUE(uri.starts_with("postgresql://"));
    const std::string short_scheme =
        "postgres://" + uri.substr(std::string("postgresql://").size());
    for (const std::string& target : {database_.ConnInfo(), uri, short_scheme}) {
        Connection connection(target);
        EXPECT_TRUE(connection.IsOpen());
        EXPECT_EQ(ValueOf(connection, "SELECT current_database()"), database_.Name()) << target;
    }
}

TEST_F(ConnectionTest, TurnsSynchronousCommitOnWhateverTheServersDefault) {
    // The test server's own default is off.
    Connection connection = Connect();
    EXPECT_EQ(ValueOf(connection,
                      "SELECT reset_val FROM pg_settings "
                      "WHERE name = 'synchronous_commit'"),
              "off");
    EXPECT_EQ(ValueOf(connection, "SHOW synchronous_commit"), "on");
    EXPECT_EQ(ValueOf(connection, "SHOW client_encoding"), "UTF8");
}

TEST_F(ConnectionTest, OverridesSettingsTheTargetAsksFor) {
    Connection connection(database_.ConnInfo() +
                          " client_encoding=LATIN1 options='-c synchronous_commit=off'");
    EXPECT_EQ(ValueOf(connection, "SHOW synchronous_commit"), "on");
    EXPECT_EQ(ValueOf(connection, "SHOW client_encoding"), "UTF8");
}

TEST_F(ConnectionTest, ParametersArriveAsDataQuotesNonAsciiAndNullIncluded) {
    Connection connection = Connect();
    connection.Execute("CREATE TABLE readings (id serial PRIMARY KEY, code text, qt float8)",
                       "create the table");
    const std::vector<Parameter> codes = {
        "it's", "x'); DROP TABLE readings; --", "perché €", "\"a\",b;\\c", "", std::nullopt};
    for (const Parameter& code : codes) {
        const Result inserted = connection.Execute(
            "INSERT INTO readings (code, qt) VALUES ($1, $2)", {code, "2.5"}, "store a reading");
        EXPECT_EQ(inserted.AffectedRows(), 1);
    }
    const Result rows = connection.Execute(
        "SELECT code, qt, code IS NULL FROM readings ORDER BY id", "read the readings");
    ASSERT_EQ(rows.Rows(), static_cast<int>(codes.size()));
    for (int row = 0; row < rows.Rows(); ++row) {
        EXPECT_EQ(rows.Field(row, 0), codes[static_cast<std::size_t>(row)]) << row;
        EXPECT_EQ(rows.Text(row, 1), "2.5");
        EXPECT_EQ(rows.Text(row, 2), codes[static_cast<std::size_t>(row)] ? "f" : "t");
    }
    EXPECT_TRUE(rows.IsNull(5, 0));
    EXPECT_FALSE(rows.IsNull(4, 0));  // the empty text is not NULL
    EXPECT_EQ(rows.ColumnName(1), "qt");
    EXPECT_EQ(ValueOf(connection, "SELECT length(code) FROM readings WHERE code LIKE 'perch%'"),
              "8");

    // PostgreSQL's text cannot hold NUL: refused whole rather than cut short.
    const PostgresError error = FailureOf(connection, "INSERT INTO readings (code) VALUES ($1)",
                                          {std::string("before\0after", 12)});
    EXPECT_FALSE(error.ConnectionLost());
    EXPECT_NE(std::string(error.what()).find("NUL"), std::string::npos) << error.what();
    EXPECT_EQ(ValueOf(connection, "SELECT count(*) FROM readings"), "6");
}

TEST_F(ConnectionTest, ResultsRefuseRowsAndColumnsTheyDoNotHave) {
    Connection connection = Connect();
    const Result empty = connection.Execute("SELECT 1 AS one WHERE false", "read nothing");
    EXPECT_EQ(empty.Rows(), 0);
    EXPECT_EQ(empty.ColumnName(0), "one");
    EXPECT_THROW(empty.Text(0, 0), std::out_of_range);
    EXPECT_THROW(empty.IsNull(0, 0), std::out_of_range);
    EXPECT_THROW(empty.ColumnName(1), std::out_of_range);
}

TEST_F(ConnectionTest, TheServersNoticesNeverReachStandardError) {
    // They would land on the screen, under the program's own drawing.
    Connection connection = Connect();
    ::testing::internal::CaptureStderr();
    connection.Execute("DROP TABLE IF EXISTS nothing_here", "drop nothing");
    connection.Execute("DO $$ BEGIN RAISE WARNING 'look at me'; END $$", "warn");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(ConnectionFailure, NamesTheTargetWithItsPasswordMasked) {
    testing::TempDir no_server;
    const std::string uri =
        "postgresql://tavix:s3cr%40t@/tavix?host=" + no_server.Path() + "&connect_timeout=2";
    const std::string key_value = "host=" + no_server.Path() + " password='top secret' dbname=t";
    for (const auto& [target, masked] :
         {std::pair{uri, "postgresql://tavix:***@/tavix?host=" + no_server.Path()},
          std::pair{key_value, "host=" + no_server.Path() + " password=*** dbname=t"}}) {
        try {
            Connection connection(target);
            ADD_FAILURE() << "connected to a folder without a server";
        } catch (const PostgresError& error) {
            const std::string message = error.what();
            EXPECT_EQ(error.Kind(), ErrorKind::kConnectionLost);
            EXPECT_TRUE(error.ConnectionLost());
            EXPECT_TRUE(message.starts_with(masked)) << message;
            EXPECT_NE(message.find(": cannot connect: "), std::string::npos) << message;
            for (const char* secret : {"s3cr", "top secret"}) {
                EXPECT_EQ(message.find(secret), std::string::npos) << message;
            }
        }
    }
}

// Connects to target, which libpq must refuse with a message that holds `said`; none of the
// hidden texts may show.
void ExpectRefusedWithout(const std::string& target, const std::string& said,
                          const std::vector<std::string>& hidden) {
    try {
        Connection connection(target);
        ADD_FAILURE() << "a malformed target connected";
    } catch (const PostgresError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(said), std::string::npos) << message;
        for (const std::string& text : hidden) {
            EXPECT_EQ(message.find(text), std::string::npos) << message;
        }
    }
}

TEST(ConnectionFailure, KeepsThePasswordOutOfWhatLibpqSaysAboutAMalformedTarget) {
    // libpq repeats the undecodable token, the password itself, in its own message.
    ExpectRefusedWithout("postgresql://tavix:pa%zzword@/tavix", "percent", {"pa%zz", "word"});
    // libpq refuses a word that is no key=value pair, and takes a URI that does not start the
    // string for a database name; our message repeats the target of both.
    ExpectRefusedWithout("host=/nonexistent junk password=s3cr3t", "junk", {"s3cr3t"});
    ExpectRefusedWithout(" postgresql://tavix:s3cr3t@/tavix", "cannot connect", {"s3cr3t"});
}

}  // namespace
}  // namespace tavix::store::postgres
