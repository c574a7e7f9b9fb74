// How the screens that walk the readings grow with the table: Right in the archive browser,
// its search by code and the readings list, each on 1,000 and on 1,000,000 readings. The
// screens run headless (the program's own code on a terminal that keeps each frame and draws
// nothing), so the figures are the program's work per key. Every step is a seek in a B-tree
// and nothing of the table is held in memory, so a million readings may cost at most twice
// what a thousand do.
//
// The time of one iteration runs from one wait for a key to the next: everything the program
// does for the key, its frame included.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "acquisition/readings_list.hpp"
#include "archive/archive_browser.hpp"
#include "console/key_codes.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/value.hpp"
#include "support/bench_files.hpp"
#include "support/headless_screens.hpp"
#include "support/ratio_report.hpp"

namespace {

namespace keys = tavix::console::keys;
using tavix::bench::CodeOfReading;
using tavix::bench::HeadlessScreens;
using tavix::bench::ReadingsFile;
using tavix::console::KeyCode;

constexpr int kSmall = 1000;
constexpr int kLarge = 1000000;
// Codes searched for in turn, spread over the whole table.
constexpr int kSoughtCodes = 997;

// Hands out the keys of one iteration at a time, asking the benchmark for the next iteration
// whenever they are used up; once it says there is none, Esc leaves the screen.
class IterationKeys {
  public:
    IterationKeys(benchmark::State& state, std::function<std::vector<KeyCode>()> next)
        : state_(state), next_(std::move(next)) {}

    KeyCode operator()() {
        if (pending_.empty()) {
            if (finished_ || !state_.KeepRunning()) {
                finished_ = true;
                return keys::kEsc;
            }
            const std::vector<KeyCode> keys = next_();
            pending_.assign(keys.begin(), keys.end());
        }
        const KeyCode key = pending_.front();
        pending_.pop_front();
        return key;
    }

    bool Finished() const { return finished_; }

  private:
    benchmark::State& state_;
    std::function<std::vector<KeyCode>()> next_;
    std::deque<KeyCode> pending_;
    bool finished_ = false;
};

// -1 when the quantity is not a number.
std::int64_t CurrentQuantity() {
    const tavix::store::Value qt = tavix::screen_helpers::Readings().Fields("qt");
    if (const auto* number = std::get_if<double>(&qt)) {
        return static_cast<std::int64_t>(*number);
    }
    if (const auto* whole = std::get_if<std::int64_t>(&qt)) {
        return *whole;
    }
    return -1;
}

std::string CurrentCode() {
    const tavix::store::Value code = tavix::screen_helpers::Readings().Fields("code");
    const auto* text = std::get_if<std::string>(&code);
    return text != nullptr ? *text : std::string();
}

// Right on the first reading and on: each iteration shows the next reading.
void BM_BrowserRight(benchmark::State& state) {
    const int readings = static_cast<int>(state.range(0));
    IterationKeys keys(state, [] { return std::vector<KeyCode>{keys::kRight}; });
    HeadlessScreens screens(ReadingsFile(readings), std::ref(keys));
    tavix::archive::ArchiveBrowser();
    if (!keys.Finished()) {
        state.SkipWithError("the browser ended before the benchmark did");
        return;
    }
    // Reading i has the quantity i: the browser stands where the Rights took it.
    const std::int64_t expected = std::min<std::int64_t>(1 + state.iterations(), readings);
    if (CurrentQuantity() != expected) {
        state.SkipWithError("the browser did not step one reading per Right");
    }
}

// F3, a code, Enter: the browser shows the first reading with that code.
void BM_BrowserSeek(benchmark::State& state) {
    const int readings = static_cast<int>(state.range(0));
    std::string sought;
    int next = 0;
    IterationKeys keys(state, [&] {
        next = next % kSoughtCodes + 1;
        sought = CodeOfReading(1 + static_cast<int>((next * 104729LL) % readings));
        std::vector<KeyCode> typed = {keys::kF3};
        typed.insert(typed.end(), sought.begin(), sought.end());
        typed.push_back(keys::kEnter);
        return typed;
    });
    HeadlessScreens screens(ReadingsFile(readings), std::ref(keys));
    tavix::archive::ArchiveBrowser();
    if (!keys.Finished()) {
        state.SkipWithError("the browser ended before the benchmark did");
        return;
    }
    if (CurrentCode() != sought || tavix::screen_helpers::Readings().NoMatch()) {
        state.SkipWithError("the search did not find the code");
    }
}

// F5's list of the first 50 readings, closed with Esc.
void BM_ReadingsList(benchmark::State& state) {
    const int readings = static_cast<int>(state.range(0));
    HeadlessScreens screens(ReadingsFile(readings), [] { return keys::kEsc; });
    for (auto _ : state) {
        tavix::acquisition::ShowReadingsList();
    }
    // The list read the first 50 readings and left the readings on the 51st.
    if (!screens.Shows(CodeOfReading(15) + ", qt 15,") || CurrentQuantity() != 51) {
        state.SkipWithError("the list did not show the first 50 readings");
    }
}

void BothSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("readings")->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_BrowserRight)->Apply(BothSizes);
BENCHMARK(BM_BrowserSeek)->Apply(BothSizes);
BENCHMARK(BM_ReadingsList)->Apply(BothSizes);

// On CPU time: the work is all the program's own (the file is in the page cache), and on a
// machine shared with other work the real time mostly measures the others.
tavix::bench::Ratio Growth(const std::string& title, const std::string& benchmark) {
    return {title + ", 1M / 1k readings (CPU)",
            {benchmark + "/readings:" + std::to_string(kLarge), tavix::bench::kCpuTime},
            {benchmark + "/readings:" + std::to_string(kSmall), tavix::bench::kCpuTime},
            2.0};
}

}  // namespace

int main(int argc, char** argv) {
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            Growth("Right in the archive browser", "BM_BrowserRight"),
            Growth("Search by code (F3) in the browser", "BM_BrowserSeek"),
            Growth("Readings list (F5)", "BM_ReadingsList"),
        });
}
