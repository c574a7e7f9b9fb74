#include "same_screens.hpp"

#include <optional>
#include <utility>

#include "running_program.hpp"
#include "support/program/headless_screens.hpp"
#include "support/settled_pane.hpp"

namespace tavix::testing {

namespace {

using namespace std::chrono_literals;

// The program's own size: its bottom-right cell is the terminal's too.
constexpr int kColumns = 24;
constexpr int kRows = 20;
constexpr auto kTimeout = 20s;  // a sanitized build on a busy machine

std::string KeyText(const FlowKey& key) {
    return key.literal ? "'" + key.tmux + "'" : key.tmux;
}

std::string StepName(const std::vector<FlowKey>& flow, std::size_t step) {
    return step == 0 ? "step 0 (start)"
                     : "step " + std::to_string(step) + " (after " + KeyText(flow[step - 1]) + ")";
}

// One line for a step that differs where the one before it did.
std::string Summary(const std::vector<CellDifference>& differences, bool same_cursor) {
    std::string text = std::to_string(differences.size()) + " cells differ";
    if (!differences.empty()) {
        text += ", the first at (" + std::to_string(differences.front().x) + "," +
                std::to_string(differences.front().y) + ")";
    }
    return text + (same_cursor ? "" : "; the cursor differs") + "\n";
}

// Where a step differs: its cells, and (0, 0) for the cursor.
std::vector<std::pair<int, int>> FaultPlaces(const std::vector<CellDifference>& differences,
                                             bool same_cursor) {
    std::vector<std::pair<int, int>> places;
    for (const CellDifference& difference : differences) {
        places.emplace_back(difference.x, difference.y);
    }
    if (!same_cursor) {
        places.emplace_back(0, 0);
    }
    return places;
}

void Send(TmuxSession& session, const FlowKey& key) {
    if (key.literal) {
        session.SendText(key.tmux);
    } else {
        session.SendKey(key.tmux);
    }
}

TmuxOptions PaneOptions(const TermCase& term) {
    TmuxOptions options;
    options.columns = kColumns;
    options.rows = kRows;
    options.term = term.term;
    options.timeout = kTimeout;
    return options;
}

}  // namespace

FlowKey Named(const std::string& tmux_name, console::KeyCode code) {
    return FlowKey{tmux_name, false, code};
}

std::vector<FlowKey> Typed(const std::string& text) {
    std::vector<FlowKey> keys;
    for (char c : text) {
        keys.push_back(FlowKey{std::string(1, c), true, static_cast<unsigned char>(c)});
    }
    return keys;
}

void PrintTo(const TermCase& term, std::ostream* out) {
    *out << term.term;
}

::testing::AssertionResult ShowsTheSameScreens(const std::vector<FlowKey>& flow,
                                               const TermCase& term,
                                               const std::vector<SeedReading>& readings) {
    std::vector<console::KeyCode> codes;
    for (const FlowKey& key : flow) {
        codes.push_back(key.code);
    }
    const HeadlessRun headless =
        RunHeadless(codes, [&](const std::string& path) { SeedReadings(path, readings); });
    if (!headless.ended_at_last_key) {
        return ::testing::AssertionFailure()
               << "headless, the flow does not end the program at its last key";
    }

    ProgramFolder folder;
    SeedReadings(folder.DatabasePath(), readings);
    TmuxSession session(folder.Command("", "echo rc=$?; read line"), PaneOptions(term));
    SettledPane pane(session, kTimeout);
    std::string failures;
    int differing_steps = 0;
    std::optional<std::vector<std::pair<int, int>>> previous_fault;
    for (std::size_t step = 0; step < headless.screens.size(); ++step) {
        const auto [snapshot, settled] = pane.Wait();
        const ShownScreen& expected = headless.screens[step];
        const PaneGrid shown = snapshot.Grid(kColumns, kRows);
        const std::vector<CellDifference> differences =
            DifferingCells(expected.cells, shown, term.colours);
        const bool same_cursor = SameCursor(expected.cursor, snapshot.cursor);
        const bool differs = !differences.empty() || !same_cursor || !settled;
        std::optional<std::vector<std::pair<int, int>>> fault;
        if (differs) {
            fault = FaultPlaces(differences, same_cursor);
            ++differing_steps;
            failures += "\n" + StepName(flow, step) + (settled ? "" : ", not settled") + ": ";
            // A fault often stays on the screen for the next steps: a step that differs in
            // the same places as the one before is only counted.
            failures += fault == previous_fault && settled
                            ? Summary(differences, same_cursor)
                            : "\n" + ParityReport(expected.cells, expected.cursor, shown,
                                                  snapshot.cursor, term.colours);
        }
        previous_fault = fault;
        if (!settled) {
            return ::testing::AssertionFailure() << "under TERM=" << term.term << failures;
        }
        pane.ExpectKey();
        Send(session, flow[step]);
    }
    if (!session.WaitForText("rc=0")) {
        failures += "\nthe program did not end with status 0 at the last key:\n" + session.Screen();
    }
    if (failures.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "under TERM=" << term.term << ", " << differing_steps << " of "
           << headless.screens.size() << " steps differ" << failures;
}

}  // namespace tavix::testing
