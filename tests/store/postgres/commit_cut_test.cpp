#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>

#include "commit_cut_proxy.hpp"
#include "readings_server.hpp"
#include "store/postgres/forwarding.hpp"

namespace tavix::store {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testing::CommitCutProxy;
using testing::Cut;

constexpr int kCuts = 40;
constexpr auto kTimeLimit = 120s;

// What the store confirmed, refused and gave its keeper (the spool, in the program), by code.
class Ledger final : public ReadingKeeper {
  public:
    const std::string& Name() const override { return name_; }
    void Keep(const std::string& key, const KeptReading& reading) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        kept.emplace_back(key, std::get<std::string>(reading.code));
    }
    void Store(Recordset& readings, const std::string& code) {
        bool confirmed = true;
        try {
            AddReading(readings, code);
        } catch (const StoreError&) {
            confirmed = false;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        (confirmed ? this->confirmed : refused).push_back(code);
    }

    std::vector<std::pair<std::string, std::string>> kept;  // key, code
    std::vector<std::string> confirmed, refused;

  private:
    std::mutex mutex_;
    std::string name_ = "the test's keeper";
};

class CommitCutTest : public ReadingsOnServer {
  protected:
    // The store's URI through the proxy: TCP to 127.0.0.1, unencrypted so the proxy can read it.
    std::string ThroughProxy() const {
        return "postgresql://postgres@127.0.0.1:" + std::to_string(proxy_.Port()) + "/" +
               database_.Name() + "?sslmode=disable&gssencmode=disable";
    }

    bool Present(const std::string& code) { return Copies(code) == 1; }
    int Copies(const std::string& code) {
        return std::stoi(ValueOf("SELECT count(*) FROM readings WHERE code = '" + code + "'"));
    }

    Database OpenKeeping(const std::string& uri) {
        StoreOptions options;
        options.keeper = ledger_;
        return OpenDatabase(uri, options);
    }

    // Every reading confirmed is there once, or was kept and is there at most once, and once
    // after the kept ones are sent again as the spool sends them; every one refused is absent.
    void ExpectEachReadingSettled() {
        forwarding::Batch resend;
        for (const auto& [key, code] : ledger_->kept) {
            EXPECT_LE(Copies(code), 1) << code << " kept";
            forwarding::Change change;
            change.sequence = ++resend.through;
            change.reading_key = key;
            change.kind = forwarding::Change::Kind::kAdd;
            change.reading[0] = {StoredField::Kind::kText, 0, 0, code};
            resend.changes.push_back(change);
        }
        postgres::OpenChangeApplier(Uri())->Apply(kSpool, "spool", resend);
        for (const std::string& code : ledger_->confirmed) {
            EXPECT_EQ(Copies(code), 1) << code << " confirmed";
        }
        for (const std::string& code : ledger_->refused) {
            EXPECT_EQ(Copies(code), 0) << code << " refused";
        }
    }

    static constexpr const char* kSpool = "5f0c6c36-1d7e-4b8a-9a57-0e7f3b1f2d44";
    std::shared_ptr<Ledger> ledger_ = std::make_shared<Ledger>();

    CommitCutProxy proxy_{testing::SharedPostgresServer().Folder() + "/.s.PGSQL.5432"};
};

// The connection is cut at the commit of a reading, before the server got the request to commit
// or after (so that its answer is lost), many times over. Whatever the store reports must be
// true: a reading reported stored is there, once. One found absent is sent again, and stored.
TEST_F(CommitCutTest, AReadingIsReportedStoredExactlyWhenItIsThere) {
    Database database = OpenDatabase(ThroughProxy());
    Recordset readings = database.OpenRecordset("Readings");
    std::mt19937 random(20261207);
    int reported_stored = 0, reported_lost = 0, lies = 0;
    const auto deadline = Clock::now() + kTimeLimit;
    for (int cut = 0; cut < kCuts && Clock::now() < deadline; ++cut) {
        const std::string code = "R" + std::to_string(cut);
        const Cut where = random() % 2 == 0 ? Cut::kBeforeCommit : Cut::kAfterCommit;
        proxy_.Arm(where);
        bool stored = true;
        std::string failure;
        try {
            AddReading(readings, code);
        } catch (const StoreError& error) {
            stored = false;
            failure = error.what();
        }
        EXPECT_FALSE(proxy_.Armed()) << "the cut did not fall at " << code;
        const bool present = Present(code);
        if (stored != present) {
            ++lies;
            ADD_FAILURE() << code << (where == Cut::kBeforeCommit ? " cut before" : " cut after")
                          << " the commit: reported " << (stored ? "stored" : "not stored") << ", "
                          << (present ? "present" : "absent") << " " << failure;
        }
        (stored ? reported_stored : reported_lost) += 1;
        // The reading after a cut goes through as usual.
        AddReading(readings, code + "+");
        EXPECT_TRUE(Present(code + "+")) << code;
    }
    EXPECT_EQ(lies, 0);
    EXPECT_EQ(reported_stored + reported_lost, kCuts) << "the cuts took too long";
    EXPECT_EQ(reported_lost, 0);
    EXPECT_EQ(ValueOf("SELECT count(*) - count(DISTINCT code) FROM readings"), "0");
}

struct Unsettled {
    Cut cut;
    std::chrono::milliseconds hold;
    int readings;
};

class UnsettledCommitTest : public CommitCutTest,
                            public ::testing::WithParamInterface<Unsettled> {};

// The answer to the commit is lost and so is the connection that would find out what became of
// the reading, or the link is held up for longer than the store waits (the reading lands
// later): the reading is kept, confirmed, and stored once in the end.
TEST_P(UnsettledCommitTest, AReadingOfUnknownOutcomeIsKeptAndStoredOnce) {
    Database database = OpenKeeping(ThroughProxy());
    Recordset readings = database.OpenRecordset("Readings");
    for (int i = 0; i < GetParam().readings; ++i) {
        const auto start = Clock::now();
        proxy_.Arm(GetParam().cut, GetParam().hold);
        ledger_->Store(readings, "U" + std::to_string(i));
        EXPECT_FALSE(proxy_.Armed());
        std::this_thread::sleep_until(start + GetParam().hold + 1s);
        ledger_->Store(readings, "U" + std::to_string(i) + "+");
    }
    EXPECT_EQ(ledger_->kept.size(), static_cast<std::size_t>(GetParam().readings));
    EXPECT_TRUE(ledger_->refused.empty());
    ExpectEachReadingSettled();
}

INSTANTIATE_TEST_SUITE_P(Cuts, UnsettledCommitTest,
                         ::testing::Values(Unsettled{Cut::kAfterCommitAndNext, 0s, 5},
                                           Unsettled{Cut::kHold, 15s, 1}));

// Sessions store readings while the server is stopped at once (pg_ctl restart -m immediate)
// and started again.
TEST_F(CommitCutTest, ReadingsAroundAnImmediateRestartAreStoredOnceOrRefusedAndAbsent) {
    std::atomic<bool> done{false};
    std::vector<std::thread> sessions;
    for (int session = 0; session < 3; ++session) {
        sessions.emplace_back([&, session] {
            Database database = OpenKeeping(Uri());
            Recordset readings = database.OpenRecordset("Readings");
            for (int i = 0; !done; ++i) {
                ledger_->Store(readings, "S" + std::to_string(session) + "-" + std::to_string(i));
                std::this_thread::sleep_for(5ms);
            }
        });
    }
    std::this_thread::sleep_for(500ms);
    testing::SharedPostgresServer().ShutDown(true);
    testing::SharedPostgresServer().StartAgain();
    std::this_thread::sleep_for(500ms);
    done = true;
    for (std::thread& session : sessions) {
        session.join();
    }
    EXPECT_GT(ledger_->refused.size(), 0u);
    ExpectEachReadingSettled();
}

}  // namespace
}  // namespace tavix::store
