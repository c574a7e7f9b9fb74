#include "support/screen_walks.hpp"

#include <algorithm>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "acquisition/readings_list.hpp"
#include "archive/archive_browser.hpp"
#include "console/key_codes.hpp"
#include "console/scripted_terminal.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/value.hpp"
#include "support/bench_files.hpp"
#include "support/program/program_harness.hpp"

namespace tavix::bench {

namespace {

namespace keys = console::keys;
using console::KeyCode;
using testing::ProgramHarness;

// Codes searched for in turn, spread over the whole table.
constexpr int kSoughtCodes = 997;

// Scripts the keys of one iteration at a time, asking the benchmark for the next iteration
// whenever the screen has used them up; once it says there is none, Esc leaves the screen.
class IterationKeys {
  public:
    IterationKeys(benchmark::State& state, console::ScriptedTerminal& terminal,
                  std::function<std::vector<KeyCode>()> next)
        : state_(state), terminal_(terminal), next_(std::move(next)) {
        terminal_.Then([this] { ScriptNext(); });
    }

    bool Finished() const { return finished_; }

  private:
    void ScriptNext() {
        if (!state_.KeepRunning()) {
            finished_ = true;
            terminal_.Key(keys::kEsc);
            return;
        }
        for (KeyCode key : next_()) {
            terminal_.Key(key);
        }
        terminal_.Then([this] { ScriptNext(); });
    }

    benchmark::State& state_;
    console::ScriptedTerminal& terminal_;
    std::function<std::vector<KeyCode>()> next_;
    bool finished_ = false;
};

bool Shows(const console::CellGrid& screen, const std::string& text) {
    for (int y = 1; y <= screen.Rows(); ++y) {
        if (screen.RowText(y).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// -1 when the quantity is not a number.
std::int64_t CurrentQuantity() {
    const store::Value qt = screen_helpers::Readings().Fields("qt");
    if (const auto* number = std::get_if<double>(&qt)) {
        return static_cast<std::int64_t>(*number);
    }
    if (const auto* whole = std::get_if<std::int64_t>(&qt)) {
        return *whole;
    }
    return -1;
}

std::string CurrentCode() {
    const store::Value code = screen_helpers::Readings().Fields("code");
    const auto* text = std::get_if<std::string>(&code);
    return text != nullptr ? *text : std::string();
}

}  // namespace

void OnBothTableSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("readings")
        ->Arg(kSmallTable)
        ->Arg(kLargeTable)
        ->Unit(benchmark::kMicrosecond);
}

int TableSize(const benchmark::State& state) {
    return static_cast<int>(state.range(0));
}

void BrowserRight(benchmark::State& state, const std::string& store) {
    ProgramHarness screens(store);
    IterationKeys keys(state, screens.Terminal(),
                       [] { return std::vector<KeyCode>{keys::kRight}; });
    archive::ArchiveBrowser();
    if (!keys.Finished()) {
        state.SkipWithError("the browser ended before the benchmark did");
        return;
    }
    // Reading i has the quantity i: the browser stands where the Rights took it.
    const std::int64_t expected = std::min<std::int64_t>(1 + state.iterations(), TableSize(state));
    if (CurrentQuantity() != expected) {
        state.SkipWithError("the browser did not step one reading per Right");
    }
}

void BrowserSeek(benchmark::State& state, const std::string& store) {
    const int readings = TableSize(state);
    std::string sought;
    int next = 0;
    ProgramHarness screens(store);
    IterationKeys keys(state, screens.Terminal(), [&] {
        next = next % kSoughtCodes + 1;
        sought = CodeOfReading(1 + static_cast<int>((next * 104729LL) % readings));
        std::vector<KeyCode> typed = {keys::kF3};
        typed.insert(typed.end(), sought.begin(), sought.end());
        typed.push_back(keys::kEnter);
        return typed;
    });
    archive::ArchiveBrowser();
    if (!keys.Finished()) {
        state.SkipWithError("the browser ended before the benchmark did");
        return;
    }
    if (CurrentCode() != sought || screen_helpers::Readings().NoMatch()) {
        state.SkipWithError("the search did not find the code");
    }
}

void ReadingsList(benchmark::State& state, const std::string& store) {
    ProgramHarness screens(store);
    for (auto _ : state) {
        screens.Terminal().Key(keys::kEsc);
        acquisition::ShowReadingsList();
    }
    // The list read the first 50 readings and left the readings on the 51st.
    if (!Shows(screens.Terminal().Screen(), CodeOfReading(15) + ", qt 15,") ||
        CurrentQuantity() != 51) {
        state.SkipWithError("the list did not show the first 50 readings");
    }
}

}  // namespace tavix::bench
