// SIGKILL at random moments of acquisition. A reading is confirmed once the entry screen has
// shown the empty code field again after its quantity's Enter. After each kill the file holds
// every confirmed reading, once, and passes integrity_check; nothing else is there but, at
// most, the one reading whose Enter was sent but not yet seen confirmed: the kill may come
// after its commit and before the screen says so. The program starts again on the same file
// after each kill and goes on, so every later run also proves the recovery of what a kill
// left behind.
//
// TAVIX_CRASH_KILLS sets the number of kills (30 by default); TAVIX_CRASH_SEED replays the
// plan of a run (the seed is printed at the start and in every failure). The timing of a kill
// against the program cannot be replayed, only its plan.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "running_program.hpp"

namespace tavix::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kDefaultKills = 30;
constexpr int kProgressEvery = 100;  // kills between two progress lines of a long run
constexpr int kMostReadingsPerRun = 3;
// A kill around the quantity's Enter comes within this time of tmux being asked to type it:
// it spans the key's way through tmux, the insert, the commit and the screen's update.
constexpr std::chrono::microseconds kLongestAroundEnter = 40ms;
// A kill at start-up comes within this time of the program's start: opening the file after a
// kill recovers the WAL, and that must survive a kill too.
constexpr std::chrono::microseconds kLongestAfterStart = 150ms;
const std::string kKilledStatus = "rc=" + std::to_string(128 + SIGKILL);

enum class Moment { kStartUp, kTypingCode, kTypingQuantity, kAroundEnter };

const char* NameOf(Moment moment) {
    switch (moment) {
        case Moment::kStartUp:
            return "at start-up";
        case Moment::kTypingCode:
            return "while typing a code";
        case Moment::kTypingQuantity:
            return "while typing a quantity";
        case Moment::kAroundEnter:
            return "around a quantity's Enter";
    }
    return "?";
}

struct RunPlan {
    int readings = 0;  // confirmed before the kill's moment
    Moment moment = Moment::kAroundEnter;
    std::chrono::microseconds delay{0};
};

RunPlan PlanRun(std::mt19937_64& random) {
    RunPlan plan;
    plan.readings = std::uniform_int_distribution<int>(0, kMostReadingsPerRun)(random);
    // Most kills go where a reading is being stored.
    constexpr Moment kMoments[] = {Moment::kStartUp,        Moment::kTypingCode,
                                   Moment::kTypingQuantity, Moment::kAroundEnter,
                                   Moment::kAroundEnter,    Moment::kAroundEnter};
    plan.moment = kMoments[std::uniform_int_distribution<std::size_t>(0, 5)(random)];
    const auto longest = plan.moment == Moment::kStartUp ? kLongestAfterStart : kLongestAroundEnter;
    plan.delay = std::chrono::microseconds(
        std::uniform_int_distribution<std::int64_t>(0, longest.count())(random));
    return plan;
}

struct Reading {
    std::string code;
    int qt = 0;
    std::string terminal;
};

struct Findings {
    int lost = 0;     // confirmed readings missing
    int extra = 0;    // rows nobody confirmed, and second copies
    int corrupt = 0;  // an unreadable file or failed integrity check, or a reading's values
    bool in_flight_stored = false;
    std::string details;
};

// What the file must hold. After each check it takes what the file holds, so that a fault is
// counted at the kill that made it, not again at every later one.
class Ledger {
  public:
    void Confirm(const Reading& reading) { expected_[reading.code] = {reading, 1}; }

    Findings Check(const FileState& file, const std::optional<Reading>& in_flight) {
        Findings findings;
        if (!file.opened || file.integrity != "ok") {
            ++findings.corrupt;
            findings.details += "file opened " + std::to_string(file.opened) +
                                ", integrity_check: " + file.integrity + "\n";
            return findings;
        }
        std::map<std::string, Entry> found;
        for (const StoredReading& row : file.readings) {
            Entry& entry = found[row.code];
            ++entry.copies;
            entry.reading = Reading{row.code, static_cast<int>(row.Quantity()), row.terminal};
            const Reading* typed = TypedAs(row.code, in_flight);
            if (typed != nullptr &&
                (row.Quantity() != typed->qt || row.terminal != typed->terminal)) {
                ++findings.corrupt;
                findings.details += "wrong values for " + row.code + "\n";
            }
        }
        for (const auto& [code, entry] : expected_) {
            const auto stored = found.find(code);
            const int copies = stored == found.end() ? 0 : stored->second.copies;
            if (copies < entry.copies) {
                findings.lost += entry.copies - copies;
                findings.details += "lost " + code + "\n";
            }
        }
        for (const auto& [code, entry] : found) {
            const auto known = expected_.find(code);
            int allowed = known == expected_.end() ? 0 : known->second.copies;
            if (in_flight && code == in_flight->code) {
                findings.in_flight_stored = true;
                ++allowed;
            }
            if (entry.copies > allowed) {
                findings.extra += entry.copies - allowed;
                findings.details +=
                    "unexpected " + code + " x" + std::to_string(entry.copies - allowed) + "\n";
            }
        }
        expected_ = std::move(found);
        return findings;
    }

  private:
    struct Entry {
        Reading reading;
        int copies = 0;
    };

    const Reading* TypedAs(const std::string& code, const std::optional<Reading>& in_flight) {
        if (in_flight && in_flight->code == code) {
            return &*in_flight;
        }
        const auto known = expected_.find(code);
        return known == expected_.end() ? nullptr : &known->second.reading;
    }

    std::map<std::string, Entry> expected_;
};

int KillCount() {
    const char* kills = std::getenv("TAVIX_CRASH_KILLS");
    return kills != nullptr ? std::atoi(kills) : kDefaultKills;
}

std::uint64_t Seed() {
    if (const char* seed = std::getenv("TAVIX_CRASH_SEED")) {
        return std::strtoull(seed, nullptr, 10);
    }
    return std::random_device{}();
}

// The database as the kill left it, copied aside with its WAL: opening the copy recovers the
// WAL as a program would, while the original keeps it for the next run of the program.
FileState ReadAsLeft(const ProgramFolder& program, const TempDir& aside) {
    namespace fs = std::filesystem;
    const std::string copy = aside.File("tavix.mdb");
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::remove(copy + suffix);
    }
    fs::copy_file(program.DatabasePath(), copy);
    if (fs::exists(program.DatabasePath() + "-wal")) {
        fs::copy_file(program.DatabasePath() + "-wal", copy + "-wal");
    }
    return ReadDatabase(copy);
}

// Kills the program `delay` after `action` starts, whether or not the action has ended: tmux
// takes longer to hand over a key than the program takes to store a reading, so a kill timed
// from the end of the typing would nearly always come after the commit.
template <typename Action>
void KillDuring(const RunningProgram& running, std::chrono::microseconds delay, Action action) {
    const pid_t pid = running.ProgramPid();
    const auto moment = std::chrono::steady_clock::now() + delay;
    std::thread killer([pid, moment] {
        std::this_thread::sleep_until(moment);
        if (pid > 0) {
            ::kill(pid, SIGKILL);
        }
    });
    action();
    killer.join();
}

// Kills the program unless it is gone already, and waits for the pane's shell to say so.
bool Killed(RunningProgram& running) {
    const pid_t pid = running.ProgramPid();
    if (pid > 0) {
        ::kill(pid, SIGKILL);
    }
    return running.Session().WaitForText(kKilledStatus);
}

// Waits for the pane's shell to start the program; false if it never does.
bool WaitForStart(const RunningProgram& running) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (running.ProgramPid() < 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(CrashDurabilityTest, EveryConfirmedReadingSurvivesSigkillAndNothingElseIsStored) {
    const int kills = KillCount();
    const std::uint64_t seed = Seed();
    std::cout << "crash durability: " << kills << " kills, seed " << seed << std::endl;
    std::mt19937_64 random(seed);
    const ProgramFolder program;
    const TempDir aside;
    Ledger ledger;
    Findings total;
    int in_flight_sent = 0;
    int in_flight_stored = 0;

    for (int kill = 0; kill < kills; ++kill) {
        const RunPlan plan = PlanRun(random);
        std::ostringstream where;
        where << "kill " << kill + 1 << " of " << kills << " (seed " << seed << "), "
              << NameOf(plan.moment) << " after " << plan.readings << " readings, delay "
              << plan.delay.count() << " us";
        SCOPED_TRACE(where.str());
        const std::string terminal = std::to_string(kill % 9 + 1);
        std::uniform_int_distribution<int> quantities(1, 99999);
        std::optional<Reading> in_flight;

        RunningProgram running(program);
        if (plan.moment == Moment::kStartUp) {
            ASSERT_TRUE(WaitForStart(running));
            std::this_thread::sleep_for(plan.delay);
        } else {
            ASSERT_TRUE(running.OpenEntryScreen(terminal)) << running.Screen();
            for (int i = 0; i <= plan.readings; ++i) {
                const Reading reading{"K" + std::to_string(kill) + "R" + std::to_string(i),
                                      quantities(random), terminal};
                const bool last = i == plan.readings;
                if (last && plan.moment == Moment::kTypingCode) {
                    running.Session().SendText(reading.code);
                    ASSERT_TRUE(running.WaitForCodeField(reading.code)) << running.Screen();
                    break;
                }
                ASSERT_TRUE(running.EnterCode(reading.code)) << running.Screen();
                if (last && plan.moment == Moment::kTypingQuantity) {
                    running.Session().SendText(std::to_string(reading.qt));
                    break;
                }
                if (last) {
                    in_flight = reading;
                    KillDuring(running, plan.delay,
                               [&] { running.SendQuantity(std::to_string(reading.qt)); });
                    break;
                }
                running.SendQuantity(std::to_string(reading.qt));
                ASSERT_TRUE(running.WaitForEmptyCodeField()) << running.Screen();
                ledger.Confirm(reading);
            }
        }
        ASSERT_TRUE(Killed(running)) << running.Screen();

        const Findings found = ledger.Check(ReadAsLeft(program, aside), in_flight);
        EXPECT_EQ(found.lost + found.extra + found.corrupt, 0) << found.details;
        total.lost += found.lost;
        total.extra += found.extra;
        total.corrupt += found.corrupt;
        in_flight_sent += in_flight ? 1 : 0;
        in_flight_stored += found.in_flight_stored ? 1 : 0;
        if ((kill + 1) % kProgressEvery == 0) {
            std::cout << "crash durability: " << kill + 1 << " kills so far, lost " << total.lost
                      << ", extra " << total.extra << ", corrupt " << total.corrupt << std::endl;
        }
    }
    std::cout << "crash durability: kills " << kills << ", lost " << total.lost << ", extra "
              << total.extra << ", corrupt " << total.corrupt << "; of " << in_flight_sent
              << " readings killed around their Enter, " << in_flight_stored
              << " were stored; seed " << seed << std::endl;
}

}  // namespace
}  // namespace tavix::testing
