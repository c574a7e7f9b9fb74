// The real program storing readings through a two-host URI, a primary and its synchronous
// standby, while the primary is lost in the middle of a burst and the standby promoted: what
// the screen confirmed is on the new primary once, what it refused is nowhere, and the program
// stores again soon after the promotion without being started anew.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "support/postgres/streaming_standby.hpp"
#include "support/program_folder.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kDatabase = "tavix";
constexpr const char* kStoredPrompt = "Digita codice";
constexpr const char* kRefused = "Lettura non salvata!";
// Readings typed before the primary goes, and at least after the promotion.
constexpr int kBefore = 6;
constexpr int kAfterPromotion = 5;
// As a failover tool takes a moment to decide: readings meet a server that is gone meanwhile.
constexpr auto kPromotionDelay = 1500ms;
constexpr auto kStoresAgainWithin = 10s;
// The forwarder of the spool tries ever less often, up to every 30 s.
constexpr auto kSpoolDrained = 90s;

struct Typed {
    std::string code;
    Clock::time_point finished;
    bool confirmed = false;
};

bool ShowsAVerdict(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line.find(kStoredPrompt) != std::string::npos ||
            line.find(kRefused) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class FailoverTest : public ::testing::Test {
  protected:
    FailoverTest() {
        store::postgres::Connection(servers_.Primary().ConnInfo("postgres"))
            .ExecuteAlone(std::string("CREATE DATABASE ") + kDatabase, "create the database");
        store::CreateReadingsDatabase(servers_.Uri(kDatabase));
    }

    // How often each code is on the server the URI leads to; empty when it cannot be asked.
    std::map<std::string, int> OnTheServer() {
        std::map<std::string, int> counts;
        try {
            store::postgres::Connection server(servers_.Uri(kDatabase));
            const store::postgres::Result rows = server.Execute(
                "SELECT code, count(*)::text FROM readings GROUP BY code", "look at the server");
            for (int row = 0; row < rows.Rows(); ++row) {
                counts[std::string(rows.Text(row, 0))] = std::stoi(std::string(rows.Text(row, 1)));
            }
        } catch (const std::exception&) {
        }
        return counts;
    }

    // The spool's readings reach the server at the forwarder's next try.
    std::map<std::string, int> OnceTheServerHolds(const std::map<std::string, int>& expected) {
        const auto deadline = Clock::now() + kSpoolDrained;
        while (OnTheServer() != expected && Clock::now() < deadline) {
            std::this_thread::sleep_for(200ms);
        }
        return OnTheServer();
    }

    // Types one reading, runs while_committing once it is sent, and waits for the screen's
    // verdict; after a refusal, back to the entry screen.
    Typed Store(TmuxSession& pane, const std::string& code,
                const std::function<void()>& while_committing) {
        Typed typed{code, {}};
        pane.SendText(code);
        pane.SendKey("Enter");
        EXPECT_TRUE(pane.WaitForText("Digita quantita'")) << pane.Screen();
        pane.SendText("2");
        pane.SendKey("Enter");
        if (while_committing) {
            while_committing();
        }
        EXPECT_TRUE(pane.WaitFor(ShowsAVerdict)) << pane.Screen();
        typed.finished = Clock::now();
        typed.confirmed = pane.Screen().find(kRefused) == std::string::npos;
        if (!typed.confirmed) {
            pane.SendKey("Enter");
            EnterReadings(pane);
        }
        return typed;
    }

    // From the main menu (where a refused reading leads) to the entry screen.
    void EnterReadings(TmuxSession& pane) {
        pane.WaitForStableScreen();
        pane.SendText("i");
        pane.WaitForStableScreen();
        pane.SendKey("Enter");
        EXPECT_TRUE(pane.WaitForText(kStoredPrompt)) << pane.Screen();
    }

    bool CommitComesToWait() const {
        const auto deadline = Clock::now() + 10s;
        while (!servers_.CommitWaits() && Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        return servers_.CommitWaits();
    }

    // As a failover tool does: the primary gone for good, and a moment later the standby
    // promoted; the moment it takes writes.
    std::future<Clock::time_point> LosePrimary() {
        servers_.Primary().StopImmediately();
        return std::async(std::launch::async, [this] {
            std::this_thread::sleep_for(kPromotionDelay);
            servers_.Promote();
            return Clock::now();
        });
    }

    StreamingStandby servers_;
    ProgramFolder folder_;
};

TEST_F(FailoverTest, EveryReadingIsWhereTheScreenSaidAndTheProgramStoresAgain) {
    TmuxSession pane(
        folder_.Command("TAVIX_CONFIG=/dev/null TAVIX_SPOOL='" + folder_.File("spool.mdb") + "'",
                        "",
                        "--database '" + servers_.Uri(kDatabase) + "' --log '" +
                            folder_.File("tavix.log") + "'"),
        {80, 24, "xterm-256color", 30s});
    ASSERT_TRUE(pane.WaitForText("Premere ESC per"));
    pane.SendKey("Escape");
    pane.WaitForStableScreen();
    pane.SendText("x");
    EnterReadings(pane);

    std::vector<Typed> typed;
    std::future<Clock::time_point> promotion;
    std::optional<Clock::time_point> promoted;
    int after_promotion = 0;
    for (int n = 1; after_promotion < kAfterPromotion && n < 100; ++n) {
        const bool began_after_promotion = promoted.has_value();
        if (n == kBefore) {
            servers_.HoldCommits();
        }
        typed.push_back(Store(pane, "R" + std::to_string(n), [&] {
            if (n == kBefore) {
                // Its commit is on the primary and on its way to the standby, unconfirmed.
                EXPECT_TRUE(CommitComesToWait());
                promotion = LosePrimary();
            }
        }));
        after_promotion += began_after_promotion ? 1 : 0;
        if (!promoted && promotion.valid() && promotion.wait_for(0s) == std::future_status::ready) {
            promoted = promotion.get();
        }
        if (began_after_promotion) {
            EXPECT_TRUE(typed.back().confirmed) << typed.back().code << " after the promotion";
        }
        if (after_promotion == 1) {
            EXPECT_LE(typed.back().finished - *promoted, kStoresAgainWithin);
            EXPECT_EQ(OnTheServer()[typed.back().code], 1) << "stored anew: " << typed.back().code;
        }
    }

    std::map<std::string, int> confirmed_once;
    std::string verdicts;
    for (const Typed& reading : typed) {
        if (reading.confirmed) {
            confirmed_once[reading.code] = 1;
        }
        verdicts += " " + reading.code + (reading.confirmed ? "+" : "-");
    }
    EXPECT_EQ(OnceTheServerHolds(confirmed_once), confirmed_once) << verdicts;
    std::printf("confirmed +, refused -:%s\n", verdicts.c_str());
}

}  // namespace
}  // namespace tavix::testing
