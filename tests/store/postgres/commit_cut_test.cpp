#include <chrono>
#include <random>

#include "commit_cut_proxy.hpp"
#include "readings_server.hpp"

namespace tavix::store {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testing::CommitCutProxy;
using testing::Cut;

constexpr int kCuts = 40;
constexpr auto kTimeLimit = 120s;

class CommitCutTest : public ReadingsOnServer {
  protected:
    // The store's URI through the proxy: TCP to 127.0.0.1, unencrypted so the proxy can read it.
    std::string ThroughProxy() const {
        return "postgresql://postgres@127.0.0.1:" + std::to_string(proxy_.Port()) + "/" +
               database_.Name() + "?sslmode=disable&gssencmode=disable";
    }

    bool Present(const std::string& code) {
        return ValueOf("SELECT count(*) FROM readings WHERE code = '" + code + "'") == "1";
    }

    CommitCutProxy proxy_{testing::SharedPostgresServer().Folder() + "/.s.PGSQL.5432"};
};

// The connection is cut at the commit of a reading, before the server got the request to commit
// or after (so that its answer is lost), many times over. Whatever the store reports must be
// true: a reading reported stored is there, once; a reading reported not stored is not.
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
    // Both ends of the commit were cut, and the store told them apart.
    EXPECT_GT(reported_stored, 0);
    EXPECT_GT(reported_lost, 0);
    EXPECT_EQ(ValueOf("SELECT count(*) - count(DISTINCT code) FROM readings"), "0");
}

}  // namespace
}  // namespace tavix::store
