#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "commit_cut_proxy.hpp"
#include "readings_server.hpp"
#include "store/forwarding.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testing::CommitCutProxy;
using testing::Cut;

class CommitCutTest : public ReadingsOnServer {
  protected:
    // The store's URI through the proxy: TCP to 127.0.0.1, unencrypted so the proxy can read it.
    std::string ThroughProxy() const {
        return "postgresql://postgres@127.0.0.1:" + std::to_string(proxy_.Port()) + "/" +
               database_.Name() + "?sslmode=disable&gssencmode=disable";
    }

    void Store(Recordset& readings, const std::string& code) {
        try {
            AddReading(readings, code);
            confirmed_.push_back(code);
        } catch (const StoreError&) {
            ++refused_;
        }
    }

    // Readings kept in the spool, waiting to be sent again.
    std::int64_t Kept() const {
        const std::optional<QueueState> state =
            std::filesystem::exists(spool_path_) ? ReadQueueState(spool_path_) : std::nullopt;
        return state ? state->waiting : 0;
    }

    // Once the spool is forwarded, the table holds every reading confirmed, once, and none
    // refused, and nothing waits.
    void ExpectEachReadingSettled() {
        if (std::filesystem::exists(spool_path_)) {
            const ForwardOutcome drained = Forwarder(spool_path_, Uri()).ForwardPending();
            EXPECT_FALSE(drained.failure) << *drained.failure;
            EXPECT_EQ(drained.waiting, 0);
        }
        std::sort(confirmed_.begin(), confirmed_.end());
        std::string confirmed;
        for (const std::string& code : confirmed_) {
            confirmed += (confirmed.empty() ? "" : " ") + code;
        }
        EXPECT_EQ(ValueOf("SELECT string_agg(code, ' ' ORDER BY code) FROM readings"), confirmed);
    }

    testing::TempDir folder_;
    std::string spool_path_ = folder_.File("spool.mdb");
    std::shared_ptr<ReadingKeeper> spool_ = OpenSpool(spool_path_);
    std::vector<std::string> confirmed_;
    int refused_ = 0;

    CommitCutProxy proxy_{testing::RoutedSocketFile()};
};

// Where, how many readings, how long the link is held up.
using Cuts = std::tuple<Cut, int, std::chrono::milliseconds>;

class CutCommitTest : public CommitCutTest, public ::testing::WithParamInterface<Cuts> {};

// The connection is cut at the commit of a reading: before the server got the request to
// commit; after, so that its answer is lost; after, and the connection that would find out what
// became of the reading is cut too; or the link is held up for longer than the store waits, the
// reading landing later. A reading found stored is confirmed, one found absent is sent again;
// one whose outcome stays unknown is kept and confirmed. In the end each is there once, and so
// is the reading after each cut.
TEST_P(CutCommitTest, AReadingIsReportedStoredExactlyWhenItIsThere) {
    const auto [where, cuts, hold] = GetParam();
    Database database = OpenDatabase(ThroughProxy(), {kDefaultBusyTimeout, spool_});
    Recordset readings = database.OpenRecordset("Readings");
    for (int cut = 0; cut < cuts; ++cut) {
        const auto start = Clock::now();
        proxy_.Arm(where, hold);
        Store(readings, "R" + std::to_string(cut));
        EXPECT_FALSE(proxy_.Armed()) << "the cut did not fall at " << cut;
        std::this_thread::sleep_until(start + hold);
        Store(readings, "R" + std::to_string(cut) + "+");
    }
    const bool settled = where == Cut::kBeforeCommit || where == Cut::kAfterCommit;
    EXPECT_EQ(Kept(), settled ? 0 : cuts);
    EXPECT_EQ(refused_, 0);
    ExpectEachReadingSettled();
}

INSTANTIATE_TEST_SUITE_P(Where, CutCommitTest,
                         ::testing::Values(Cuts{Cut::kBeforeCommit, 20, 0s},
                                           Cuts{Cut::kAfterCommit, 20, 0s},
                                           Cuts{Cut::kAfterCommitAndNext, 5, 0s},
                                           Cuts{Cut::kHold, 1, 15s}));

// Readings stored while the server is stopped at once and started again (pg_ctl restart -m
// immediate): each is confirmed and there once, or refused and absent.
TEST_F(CommitCutTest, ReadingsAroundAnImmediateRestartAreStoredOnceOrRefusedAndAbsent) {
    std::atomic<bool> restarted{false};
    std::thread restart([&restarted] {
        std::this_thread::sleep_for(500ms);
        // What pg_ctl's immediate stop sends; the supervisor's shut-down then finds it ended.
        ::kill(testing::SharedPostgresServer().ServerProcessId(), SIGQUIT);
        testing::SharedPostgresServer().ShutDown();
        testing::SharedPostgresServer().StartAgain();
        restarted = true;
    });
    Database database = OpenDatabase(Uri(), {kDefaultBusyTimeout, spool_});
    Recordset readings = database.OpenRecordset("Readings");
    for (int i = 0; !restarted || i % 50 != 0; ++i) {
        Store(readings, "S" + std::to_string(i));
        std::this_thread::sleep_for(2ms);
    }
    restart.join();
    EXPECT_GT(refused_, 0);
    ExpectEachReadingSettled();
}

}  // namespace
}  // namespace tavix::store
