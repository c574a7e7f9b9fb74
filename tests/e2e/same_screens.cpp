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

// What differed, step by step. A fault often stays on the screen for the next steps: a step
// that differs in the same places as the one before is only counted, the others are shown.
class FlowReport {
  public:
    explicit FlowReport(int colours) : colours_(colours) {}

    void AddStep(const std::string& name, const ShownScreen& expected, const PaneSnapshot& snapshot,
                 bool settled) {
        const PaneGrid shown = snapshot.Grid(kColumns, kRows);
        const std::vector<CellDifference> differences =
            DifferingCells(expected.cells, shown, colours_);
        const bool same_cursor = SameCursor(expected.cursor, snapshot.cursor);
        if (differences.empty() && same_cursor && settled) {
            previous_fault_.reset();
            return;
        }
        const std::vector<std::pair<int, int>> fault = FaultPlaces(differences, same_cursor);
        ++differing_steps_;
        text_ += "\n" + name + (settled ? "" : ", not settled") + ": ";
        text_ += fault == previous_fault_ && settled
                     ? Summary(differences, same_cursor)
                     : "\n" + ParityReport(expected.cells, expected.cursor, shown, snapshot.cursor,
                                           colours_);
        previous_fault_ = fault;
    }
    void Add(const std::string& failure) { text_ += "\n" + failure; }

    bool Empty() const { return text_.empty(); }
    int DifferingSteps() const { return differing_steps_; }
    const std::string& Text() const { return text_; }

  private:
    // Where a step differs: its cells, and (0, 0) for the cursor.
    static std::vector<std::pair<int, int>> FaultPlaces(
        const std::vector<CellDifference>& differences, bool same_cursor) {
        std::vector<std::pair<int, int>> places;
        for (const CellDifference& difference : differences) {
            places.emplace_back(difference.x, difference.y);
        }
        if (!same_cursor) {
            places.emplace_back(0, 0);
        }
        return places;
    }

    static std::string Summary(const std::vector<CellDifference>& differences, bool same_cursor) {
        std::string text = std::to_string(differences.size()) + " cells differ";
        if (!differences.empty()) {
            text += ", the first at (" + std::to_string(differences.front().x) + "," +
                    std::to_string(differences.front().y) + ")";
        }
        return text + (same_cursor ? "" : "; the cursor differs") + "\n";
    }

    int colours_;
    int differing_steps_ = 0;
    std::string text_;
    std::optional<std::vector<std::pair<int, int>>> previous_fault_;
};

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

std::vector<console::KeyCode> KeyCodes(const std::vector<FlowKey>& flow) {
    std::vector<console::KeyCode> codes;
    for (const FlowKey& key : flow) {
        codes.push_back(key.code);
    }
    return codes;
}

PaneStore FileBesideTheProgram() {
    return PaneStore{[](const ProgramFolder& folder, const std::vector<SeedReading>& readings) {
                         SeedReadings(folder.DatabasePath(), readings);
                     },
                     ""};
}

::testing::AssertionResult ShowsTheSameScreens(const std::vector<FlowKey>& flow,
                                               const TermCase& term,
                                               const std::vector<SeedReading>& readings,
                                               const PaneStore& store) {
    const HeadlessRun headless =
        RunHeadless(KeyCodes(flow), [&](const std::string& path) { SeedReadings(path, readings); });
    if (!headless.ended_at_last_key) {
        return ::testing::AssertionFailure()
               << "headless, the flow does not end the program at its last key";
    }

    ProgramFolder folder;
    store.seed(folder, readings);
    TmuxSession session(folder.Command("", "echo rc=$?; read line", store.arguments),
                        PaneOptions(term));
    SettledPane pane(session, kTimeout);
    FlowReport report(term.colours);
    for (std::size_t step = 0; step < headless.screens.size(); ++step) {
        const auto [snapshot, settled] = pane.Wait();
        report.AddStep(StepName(flow, step), headless.screens[step], snapshot, settled);
        if (!settled) {
            return ::testing::AssertionFailure() << "under TERM=" << term.term << report.Text();
        }
        pane.ExpectKey();
        Send(session, flow[step]);
    }
    if (!session.WaitForText("rc=0")) {
        report.Add("the program did not end with status 0 at the last key:\n" + session.Screen());
    }
    if (report.Empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "under TERM=" << term.term << ", " << report.DifferingSteps() << " of "
           << headless.screens.size() << " steps differ" << report.Text();
}

}  // namespace tavix::testing
