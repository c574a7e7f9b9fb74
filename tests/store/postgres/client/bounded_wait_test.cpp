#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "postgres_database.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store::postgres {
namespace {

using std::chrono::milliseconds;

// Bounds loose enough for a loaded machine, tight enough to tell a bounded wait from the
// statements' own length (30 s) or from waiting forever.
constexpr milliseconds kLongEnough = 250ms;
constexpr milliseconds kTooLong = 5000ms;

class BoundedWaitTest : public PostgresDatabase {
  protected:
    BoundedWaitTest() {
        patient_.Execute("CREATE TABLE readings (code text)", "create the table");
        patient_.Execute("INSERT INTO readings VALUES ('A')", "store a reading");
    }

    // Runs sql on hasty_ and returns its failure; the wait is checked against the bounds.
    PostgresError FailureWithinBounds(const std::string& sql, milliseconds at_least) {
        const auto start = Clock::now();
        PostgresError error = FailureOf(hasty_, sql);
        const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        EXPECT_GE(waited, at_least) << error.what();
        EXPECT_LT(waited, kTooLong) << error.what();
        return error;
    }

    Connection patient_ = Connect();
    Connection hasty_ = Connect(kShortWaits);
};

TEST_F(BoundedWaitTest, AStatementThatRunsTooLongIsCancelledAndTheConnectionGoesOn) {
    const PostgresError error = FailureWithinBounds("SELECT pg_sleep(30)", kLongEnough);
    EXPECT_EQ(error.Kind(), ErrorKind::kTimedOut) << error.what();
    EXPECT_FALSE(error.ConnectionLost());
    EXPECT_NE(std::string(error.what()).find("within 300 ms"), std::string::npos) << error.what();
    EXPECT_EQ(ValueOf(hasty_, "SELECT count(*) FROM readings"), "1");
}

TEST_F(BoundedWaitTest, AStatementWaitingForAnotherSessionsLockGivesUp) {
    patient_.Execute("BEGIN", "begin");
    patient_.Execute("LOCK TABLE readings IN ACCESS EXCLUSIVE MODE", "lock the table");
    const PostgresError error =
        FailureWithinBounds("INSERT INTO readings VALUES ('B')", kLongEnough);
    EXPECT_EQ(error.Kind(), ErrorKind::kTimedOut) << error.what();
    patient_.Execute("COMMIT", "let go");
    EXPECT_EQ(ValueOf(hasty_, "SELECT string_agg(code, ',') FROM readings"), "A");
}

TEST_F(BoundedWaitTest, AServerThatDoesNotAnswerAtAllCostsTheConnection) {
    // A stopped server process cannot even cancel: the client stops waiting on its own.
    const pid_t server_process = hasty_.ServerProcessId();
    ASSERT_EQ(::kill(server_process, SIGSTOP), 0) << std::strerror(errno);
    const PostgresError error =
        FailureWithinBounds("SELECT 1", kShortWaits.statement + kShortWaits.answer_grace);
    ::kill(server_process, SIGCONT);
    EXPECT_EQ(error.Kind(), ErrorKind::kTimedOut) << error.what();
    EXPECT_TRUE(error.ConnectionLost());
    EXPECT_FALSE(hasty_.IsOpen());
    hasty_.Reopen();
    EXPECT_EQ(ValueOf(hasty_, "SELECT count(*) FROM readings"), "1");
}

// A Unix socket where a server would be, that takes connections and never answers.
class SilentListener {
  public:
    SilentListener() : socket_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = folder_.File(".s.PGSQL.5432");
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(socket_, 8), 0);
    }
    ~SilentListener() { ::close(socket_); }

    const std::string& Folder() const { return folder_.Path(); }
    std::string Target() const {
        return "host=" + folder_.Path() + " port=5432 user=tavix password=secret dbname=tavix";
    }

  private:
    testing::TempDir folder_;
    int socket_;
};

TEST(BoundedConnect, AServerThatNeverAnswersFailsTheConnectionInTime) {
    SilentListener silent;
    const auto start = Clock::now();
    try {
        Connection connection(silent.Target(), kShortWaits);
        ADD_FAILURE() << "connected to a silent socket";
    } catch (const PostgresError& error) {
        EXPECT_EQ(error.Kind(), ErrorKind::kTimedOut) << error.what();
        EXPECT_TRUE(error.ConnectionLost());
        EXPECT_EQ(std::string(error.what()).find("secret"), std::string::npos) << error.what();
    }
    const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    EXPECT_GE(waited, kShortWaits.connect);
    EXPECT_LT(waited, kTooLong);
}

// A first server that never answers costs its own wait, not the standby's behind it; when every
// server fails, the message names each.
TEST_F(BoundedWaitTest, EachServerOfATargetGetsAWaitOfItsOwn) {
    SilentListener silent, also_silent;
    const std::string tail = " user=postgres password=secret dbname=" + database_.Name();
    const testing::PostgresServer& server = testing::SharedPostgresServer();
    const auto start = Clock::now();
    Connection standby("host=" + silent.Folder() + "," + server.Folder() + " port=5432," +
                           std::to_string(server.Port()) + tail,
                       kShortWaits);
    EXPECT_LT(Clock::now() - start, kTooLong);
    EXPECT_EQ(ValueOf(standby, "SELECT count(*) FROM readings"), "1");
    try {
        Connection none(
            "host=" + silent.Folder() + "," + also_silent.Folder() + " port=5432" + tail,
            kShortWaits);
        ADD_FAILURE() << "connected to silent sockets";
    } catch (const PostgresError& error) {
        const std::string message = error.what();
        EXPECT_EQ(error.Kind(), ErrorKind::kTimedOut) << message;
        EXPECT_NE(message.find("server " + silent.Folder() + " port 5432 did not"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("server " + also_silent.Folder()), std::string::npos) << message;
        EXPECT_EQ(message.find("secret"), std::string::npos) << message;
    }
}

}  // namespace
}  // namespace tavix::store::postgres
