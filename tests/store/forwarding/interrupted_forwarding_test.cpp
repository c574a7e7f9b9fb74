// After any interruption of forwarding and a rerun, the server holds exactly the file's
// readings: the connection cut at every point of the exchange, and the forwarder killed at
// random moments, with corrections and deletions made on the terminal in between.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "store/database.hpp"
#include "store/forwarding.hpp"
#include "store/forwarding/forward_pass.hpp"
#include "store/postgres/client/connection.hpp"
#include "store/postgres/commit_cut_proxy.hpp"
#include "store/postgres/forwarding.hpp"
#include "store/sqlite/forwarding.hpp"
#include "support/admin_process.hpp"
#include "support/postgres/shared_server.hpp"
#include "support/sqlite_file.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

using testing::SqliteFile;

// A reading as both sides hold it, compared by key.
struct Reading {
    std::string code;
    double qt = 0;
    std::string terminal;
    std::string date_time;
    bool operator==(const Reading&) const = default;
};
using Readings = std::map<std::string, Reading>;

// A terminal's file: its readings change at random between the runs of the forwarder.
class Terminal {
  public:
    explicit Terminal(const std::string& path) : path_(path) {
        CreateReadingsDatabase(path);
        PrepareForwarding(path, History::kQueue);
        file_.emplace(path, SqliteFile::Open::kReadWrite, std::chrono::seconds(5));
    }

    // Some new readings, some corrected, some deleted: as an operator and the browser do.
    void Work(std::mt19937& random, int new_readings) {
        for (int i = 0; i < new_readings; ++i) {
            ++made_;
            file_->Run(
                "INSERT INTO Readings (Code, Qt, Terminal, DateTime) VALUES (?1, ?2, ?3, ?4)",
                {"C" + std::to_string(made_), made_ + 0.5, std::to_string(made_ % 5),
                 "2026-12-08 10:" + std::to_string(10 + made_ % 50) + ":00"});
        }
        const std::string some = "(SELECT rowid FROM Readings ORDER BY random() LIMIT " +
                                 std::to_string(1 + random() % 3) + ")";
        file_->Run("UPDATE Readings SET Qt = Qt + 1, Code = Code || 'x' WHERE rowid IN " + some);
        file_->Run("DELETE FROM Readings WHERE rowid IN " + some);
    }

    Readings Held() {
        Readings held;
        for (const auto& row : file_->Rows(
                 "SELECT k.ReadingKey, r.Code, r.Qt, r.Terminal, r.DateTime FROM Readings r "
                 "JOIN TavixReadingKeys k ON k.ReadingID = r.rowid")) {
            held[row[0]] = {row[1], std::stod(row[2]), row[3], row[4]};
        }
        return held;
    }

    std::string Source() { return file_->Text("SELECT Source FROM TavixForwarding"); }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::optional<SqliteFile> file_;
    int made_ = 0;
};

class InterruptedForwardingTest : public ::testing::Test {
  protected:
    InterruptedForwardingTest() { CreateReadingsDatabase(database_.Uri()); }

    std::string ThroughProxy() const {
        return "postgresql://postgres@127.0.0.1:" + std::to_string(proxy_.Port()) + "/" +
               database_.Name() + "?sslmode=disable&gssencmode=disable&connect_timeout=5";
    }

    // One pass, on a queue and a connection of its own, in batches small enough that a run
    // holds several commits; what a failure leaves is for the next pass to settle.
    static void Pass(const Terminal& terminal, const std::string& uri) {
        try {
            const auto queue = sqlite::OpenChangeQueue(terminal.Path(), History::kQueue);
            const auto applier = postgres::OpenChangeApplier(uri);
            forwarding::ForwardPass(*queue, *applier, 4);
        } catch (const StoreError&) {
        }
    }

    void ForwardUntilDone(Terminal& terminal) {
        for (int pass = 0; pass < 5; ++pass) {
            Pass(terminal, database_.Uri());
            if (ReadQueueState(terminal.Path())->waiting == 0) {
                return;
            }
        }
        ADD_FAILURE() << "changes still wait after five passes";
    }

    Readings OnServer(const std::string& source) {
        Readings held;
        const postgres::Result rows = server_.Execute(
            "SELECT reading_key::text, code, qt::text, terminal, datetime::text FROM readings "
            "WHERE source = '" +
                source + "'",
            "look at the server");
        for (int row = 0; row < rows.Rows(); ++row) {
            held[std::string(rows.Text(row, 0))] = {
                std::string(rows.Text(row, 1)), std::stod(std::string(rows.Text(row, 2))),
                std::string(rows.Text(row, 3)), std::string(rows.Text(row, 4))};
        }
        return held;
    }

    void ExpectServerEqualsFile(Terminal& terminal, const std::string& after) {
        const Readings file = terminal.Held();
        EXPECT_EQ(OnServer(terminal.Source()), file) << after;
        EXPECT_EQ(ReadQueueState(terminal.Path())->waiting, 0) << after;
    }

    testing::FreshDatabase database_;
    testing::TempDir folder_;
    testing::CommitCutProxy proxy_{testing::SharedPostgresServer().SocketPath()};
    postgres::Connection server_{database_.ConnInfo()};
};

// Where to cut: every place a piece of the uncut exchange ended (a message, or right after
// COMMIT passed), one byte into each piece, and an even sweep between.
std::vector<std::int64_t> CutPoints(std::int64_t length, const std::vector<std::int64_t>& ends) {
    std::vector<std::int64_t> points;
    std::int64_t previous = 0;
    for (const std::int64_t end : ends) {
        points.push_back(previous + 1);
        points.push_back(end);
        previous = end;
    }
    for (std::int64_t at = 0; at < length; at += std::max<std::int64_t>(1, length / 60)) {
        points.push_back(at);
    }
    return points;
}

TEST_F(InterruptedForwardingTest, AConnectionCutAnywhereAndARerunLeaveTheServerEqualToTheFile) {
    std::mt19937 random(20261208);
    Terminal measured(folder_.File("measured.mdb"));
    measured.Work(random, 10);
    proxy_.CutAfterBytes(-1);
    Pass(measured, ThroughProxy());
    const std::vector<std::int64_t> points = CutPoints(proxy_.BytesPassed(), proxy_.PieceEnds());
    ASSERT_GT(points.size(), 20U);
    int cuts = 0;
    for (const std::int64_t at : points) {
        Terminal terminal(folder_.File("cut" + std::to_string(cuts++) + ".mdb"));
        terminal.Work(random, 10);
        proxy_.CutAfterBytes(at);
        Pass(terminal, ThroughProxy());
        proxy_.CutAfterBytes(-1);
        terminal.Work(random, 2);
        ForwardUntilDone(terminal);
        ExpectServerEqualsFile(terminal, "cut after byte " + std::to_string(at));
    }
}

TEST_F(InterruptedForwardingTest, AForwarderKilledAtRandomAndARerunLeaveTheServerEqualToTheFile) {
    std::mt19937 random(8122026);
    Terminal terminal(folder_.File("killed.mdb"));
    const std::vector<std::string> forward = {"forward", terminal.Path(), database_.Uri()};
    terminal.Work(random, 20);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(testing::RunAdmin(forward).exit_status, 0);
    const auto run_length = std::chrono::steady_clock::now() - started;
    int interrupted = 0;  // runs killed with changes still waiting
    for (int run = 0; run < 200; ++run) {
        terminal.Work(random, 5);
        // Now and then a second forwarder of the same file at once: neither may duplicate.
        std::vector<std::unique_ptr<testing::AdminProcess>> forwarders;
        forwarders.push_back(std::make_unique<testing::AdminProcess>(forward));
        if (run % 10 == 0) {
            forwarders.push_back(std::make_unique<testing::AdminProcess>(forward));
        }
        std::this_thread::sleep_for(run_length * (random() % 1000) / 1000);
        for (const auto& forwarder : forwarders) {
            ::kill(forwarder->Pid(), SIGKILL);
            forwarder->Finish();
        }
        interrupted += ReadQueueState(terminal.Path())->waiting > 0 ? 1 : 0;
        ForwardUntilDone(terminal);
        ExpectServerEqualsFile(terminal, "run " + std::to_string(run));
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_GT(interrupted, 20) << "the kills fell too late to interrupt anything";
}

}  // namespace
}  // namespace tavix::store
