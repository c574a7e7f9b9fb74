// Forwarding in the background: what the log hears and how long the forwarder waits, pass by
// pass; and the real child on a server out of reach, logging the outage once however often
// it tries, woken by a reading the spool keeps, ended with the program.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "diagnostics/diagnostic_log.hpp"
#include "program/background_forwarding.hpp"
#include "program/forwarding_rounds.hpp"
#include "program/spool_keeper.hpp"
#include "store/database.hpp"
#include "support/file_content.hpp"
#include "support/sqlite_file.hpp"
#include "support/temp_dir.hpp"

namespace tavix::program {
namespace {

using namespace std::chrono_literals;

// A pass that forwarded changes and left some waiting, with a failure unless it is empty.
store::ForwardOutcome Pass(std::int64_t forwarded, std::int64_t waiting, std::string failure = "",
                           std::vector<std::string> set_aside = {}) {
    store::ForwardOutcome outcome;
    outcome.forwarded = forwarded;
    outcome.waiting = waiting;
    outcome.failure = failure.empty() ? std::nullopt : std::optional(failure);
    outcome.set_aside_reasons = std::move(set_aside);
    return outcome;
}

TEST(ForwardingRoundsTest, AnOutageIsLoggedOnceAndTheWaitGrowsToItsLongest) {
    const std::string again = " (tried again in the background; logged again once it works)";
    const struct {
        store::ForwardOutcome outcome;
        std::vector<std::string> logged;
        std::chrono::seconds wait;
    } passes[] = {
        {Pass(0, 0), {}, 1s},
        {Pass(0, 3, "down"), {"down" + again}, 2s},
        {Pass(0, 3, "still down"), {}, 4s},
        {Pass(0, 3, "down"), {}, 8s},
        {Pass(0, 3, "down"), {}, 16s},
        {Pass(0, 3, "down"), {}, 30s},
        {Pass(5, 1, "", {"r1"}),
         {"set aside, the server refused it for good: r1",
          "the server answers again: 5 changes forwarded, 1 waiting"},
         1s},
        {Pass(0, 0, "", {"r2"}), {"set aside, the server refused it for good: r2"}, 1s},
        {Pass(0, 3, "gone"), {"gone" + again}, 2s},
    };
    ForwardingRounds rounds;
    for (const auto& pass : passes) {
        const ForwardingRounds::Next next = rounds.After(pass.outcome);
        EXPECT_EQ(next.log_lines, pass.logged) << pass.outcome.failure.value_or("");
        EXPECT_EQ(next.wait, pass.wait) << next.log_lines.size();
    }
}

class BackgroundForwardingTest : public ::testing::Test {
  protected:
    BackgroundForwardingTest() { diagnostics::SendLogTo({kFile, log_}); }
    ~BackgroundForwardingTest() override {
        EndBackgroundForwarding();
        diagnostics::SendLogTo({});
    }

    // How often the log holds text, once it holds it (or after 10 s), and `then` later.
    int TimesLogged(const std::string& text, std::chrono::milliseconds then = 0ms) {
        for (int tries = 0; tries < 100 && Count(text) == 0; ++tries) {
            std::this_thread::sleep_for(100ms);
        }
        std::this_thread::sleep_for(then);
        return Count(text);
    }
    int Count(const std::string& text) const {
        const std::string log = testing::FileContent(log_);
        int count = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, ++at)) {
            ++count;
        }
        return count;
    }

    static constexpr auto kFile = diagnostics::LogDestination::Kind::kFile;
    testing::TempDir folder_;
    const std::string log_ = folder_.File("tavix.log");
    const std::string away_ = "postgresql://u:Pw-s3cr3t@/tavix?host=" + folder_.File("no-server");
};

TEST_F(BackgroundForwardingTest, AnOutageIsLoggedOnceAndAReadingKeptWakesTheSpoolsForwarder) {
    const std::string file = folder_.File("t.mdb");
    store::CreateReadingsDatabase(file);
    testing::SqliteFile(file).Run("INSERT INTO Readings (code, qt, terminal) VALUES ('A', 1, '3')");
    StartBackgroundForwarding(file, away_, "");
    EXPECT_EQ(TimesLogged("forwarding " + file + ": ", 2500ms), 1);  // three attempts
    EXPECT_EQ(Count("cannot connect"), 1);
    EXPECT_EQ(store::ReadQueueState(file).value().waiting, 1);  // prepared meanwhile
    EndBackgroundForwarding();

    // A spool's forwarder, idle until a reading kept wakes it.
    const std::string spool = folder_.File("state/tavix/spool.mdb");
    StartBackgroundForwarding(away_, "", spool);
    const auto keeper = SpoolKeeper(spool);
    const store::KeptReading reading{std::string("0012"), 12.0, std::string("3"), std::monostate{}};
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Count("cannot connect"), 1) << "no spool yet: nothing to forward";
    keeper->Keep("0b7c1e9e-3a0f-4d55-9b1a-1c2d3e4f5a6b", reading);
    keeper->Keep("1b7c1e9e-3a0f-4d55-9b1a-1c2d3e4f5a6b", reading);
    EXPECT_EQ(Count("storing a reading (terminal 3, code 0012, quantity 12): kept in " + spool +
                    " under reading_key 0b7c1e9e-3a0f-4d55-9b1a-1c2d3e4f5a6b, to be resent"),
              1);
    EXPECT_EQ(Count("not stored"), 0);
    EXPECT_EQ(TimesLogged("forwarding " + spool + ": ", 500ms), 1);
    EXPECT_EQ(store::ReadQueueState(spool).value().waiting, 2);
}

}  // namespace
}  // namespace tavix::program
