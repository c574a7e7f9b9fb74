// The program's peak memory with 1,000 and with 1,000,000 readings in its file: the real
// program on a pseudo-terminal opens the archive browser, steps with Right from the first
// reading to the last (every key typed ahead, the screen followed to the end), searches a
// code, shows the readings list, and ends. The kernel's count of the program's largest
// resident set over the whole run is the figure. Holding the table in memory would cost tens
// of MiB at a million readings; the store's keyset steps and SQLite's bounded page cache
// keep the two runs within a few MiB of each other.
//
// A second benchmark stores one reading whose code and terminal are 20 MB each (another tool
// can write anything) and opens the readings list, or the archive browser, on it: each screen
// cuts the values to what it shows before building its lines, so the peak is the program's
// usual one plus about the row.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/bench_files.hpp"
#include "support/program_session.hpp"
#include "support/ratio_report.hpp"

namespace {

using tavix::bench::CodeOfReading;
using tavix::bench::ProgramSession;
using tavix::bench::ScreenModel;
namespace typed = tavix::bench::typed;
using Clock = std::chrono::steady_clock;

constexpr int kSmall = 1000;
constexpr int kLarge = 1000000;
// Where the browser shows the reading's code and quantity.
constexpr int kValueColumn = 3;
constexpr int kCodeRow = 4;
constexpr int kQuantityRow = 6;
// The readings list's bottom left corner.
constexpr int kListLeft = 3;
constexpr int kListBottom = 19;
// Where the search asks for a code.
constexpr int kSearchPromptRow = 8;
constexpr int kSearchFieldRow = 9;
// Stepping through a million readings on a busy machine takes minutes, not hours.
constexpr std::chrono::minutes kPatienceForTheWalk{20};

// The browser shows reading number `reading`, whose quantity is its number.
bool ShowsReading(const ScreenModel& screen, int reading) {
    const std::string quantity = std::to_string(reading);
    const int length = static_cast<int>(quantity.size());
    return screen.Contains("scorre") &&
           screen.Text(kValueColumn, kQuantityRow, length + 1) == quantity + " " &&
           screen.Text(kValueColumn, kCodeRow, 7) == CodeOfReading(reading);
}

void BM_PeakMemory(benchmark::State& state) {
    const int readings = static_cast<int>(state.range(0));
    try {
        const std::string& file = tavix::bench::ReadingsFile(readings);
        const std::string program = tavix::bench::InstallProgram("memory", file);
        for (auto _ : state) {
            ProgramSession session(program);
            tavix::bench::PtyProgram& pty = session.Pty();
            session.ToEntryScreen();

            pty.Send(typed::kF3);
            pty.ReadUntil([](const ScreenModel& screen) { return ShowsReading(screen, 1); });
            const Clock::time_point start = Clock::now();
            std::string rights;
            rights.reserve(typed::kRight.size() * static_cast<std::size_t>(readings));
            for (int step = 1; step < readings; ++step) {
                rights += typed::kRight;
            }
            pty.TypeAhead(rights, kPatienceForTheWalk);
            pty.ReadUntil([&](const ScreenModel& screen) { return ShowsReading(screen, readings); },
                          kPatienceForTheWalk);
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());

            // A search by code, back to the readings in code order.
            const std::string sought = CodeOfReading(readings / 2);
            pty.Send(typed::kF3);
            pty.ReadUntil([](const ScreenModel& screen) {
                return screen.Text(kValueColumn, kSearchPromptRow, 7) == "Codice:" &&
                       screen.CursorX() == kValueColumn && screen.CursorY() == kSearchFieldRow;
            });
            pty.Send(sought);
            pty.Send(typed::kEnter);
            pty.ReadUntil([&](const ScreenModel& screen) {
                return screen.Text(kValueColumn, kSearchPromptRow, 7) != "Codice:" &&
                       screen.Text(kValueColumn, kCodeRow, 7) == sought;
            });
            pty.Send(typed::kEsc);
            pty.ReadUntil(ProgramSession::ShowsTerminalPrompt);
            session.ConfirmTerminal();

            pty.Send(typed::kF5);
            pty.ReadUntil([](const ScreenModel& screen) {
                return screen.Contains("Record in memoria") &&
                       screen.At(kListLeft, kListBottom) == U'╚';
            });
            pty.Send(typed::kEsc);
            pty.ReadUntil(ProgramSession::ShowsTerminalPrompt);
            session.EndReadings();
            const tavix::bench::PtyProgram::Ending ending = session.Quit();
            state.counters["peak_rss_MiB"] = static_cast<double>(ending.peak_rss_kib) / 1024;
        }
        state.counters["file_MiB"] =
            static_cast<double>(std::filesystem::file_size(file)) / (1024 * 1024);
        state.counters["keys_per_s"] =
            benchmark::Counter(readings - 1, benchmark::Counter::kIsIterationInvariantRate);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_PeakMemory)
    ->ArgName("readings")
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Each of the huge row's two long values, and the screens that open on it.
constexpr int kHugeValueBytes = 20'000'000;
// The screens read the values one at a time, each whole in SQLite and in the store's value
// before they cut it: about the row beyond the usual peak, never a multiple of it.
constexpr double kHugeRowTarget = 1.25;
constexpr int kOrdinaryValueBytes = 6;
enum class HugeRowScreen { kList = 0, kBrowser = 1 };
constexpr int kCodeValueRow = 4;  // the browser's code

// Stores the one reading of the program's file: code and terminal of `bytes` characters.
void StoreOneRow(const std::string& program, int bytes) {
    const std::string database =
        (std::filesystem::path(program).parent_path() / "tavix.mdb").string();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + database);
    }
    const std::string n = std::to_string(bytes);
    const std::string insert =
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "(replace(hex(zeroblob(" +
        n +
        ")), '00', 'C'), 1, "
        "replace(hex(zeroblob(" +
        n + ")), '00', '7'), '2026-12-06 07:05:09')";
    const int result = sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (result != SQLITE_OK) {
        throw std::runtime_error("cannot store the row in " + database);
    }
}

// Runs the program on a file of one row with values of `bytes` characters, opens the screen
// on it and leaves; returns the program's peak resident memory in MiB.
double PeakWithOneRow(int bytes, HugeRowScreen screen) {
    const std::string program = tavix::bench::InstallProgram("one-row-" + std::to_string(bytes));
    StoreOneRow(program, bytes);
    ProgramSession session(program);
    tavix::bench::PtyProgram& pty = session.Pty();
    session.ToEntryScreen();
    if (screen == HugeRowScreen::kList) {
        pty.Send(typed::kF5);
        pty.ReadUntil([](const ScreenModel& shown) {
            return shown.Contains("Record in memoria") &&
                   shown.At(kListLeft, kListBottom) == U'╚' &&
                   shown.Text(kListLeft + 1, 4, 3) == "CCC";
        });
    } else {
        pty.Send(typed::kF3);
        pty.ReadUntil([](const ScreenModel& shown) {
            return shown.Contains("scorre") && shown.Text(kValueColumn, kCodeValueRow, 3) == "CCC";
        });
    }
    pty.Send(typed::kEsc);
    pty.ReadUntil(ProgramSession::ShowsTerminalPrompt);
    session.EndReadings();
    return static_cast<double>(session.Quit().peak_rss_kib) / 1024;
}

void BM_PeakMemoryWithAHugeRow(benchmark::State& state) {
    const auto screen = static_cast<HugeRowScreen>(state.range(0));
    try {
        for (auto _ : state) {
            const Clock::time_point start = Clock::now();
            const double huge = PeakWithOneRow(kHugeValueBytes, screen);
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
            const double ordinary = PeakWithOneRow(kOrdinaryValueBytes, screen);
            state.counters["peak_rss_MiB"] = huge;
            state.counters["ordinary_peak_MiB"] = ordinary;
            state.counters["beyond_ordinary_MiB"] = huge - ordinary;
        }
        state.counters["row_MiB"] = 2.0 * kHugeValueBytes / (1024 * 1024);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_PeakMemoryWithAHugeRow)
    ->ArgName("screen")
    ->Arg(static_cast<int>(HugeRowScreen::kList))
    ->Arg(static_cast<int>(HugeRowScreen::kBrowser))
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    const auto name = [](int readings) {
        return "BM_PeakMemory/readings:" + std::to_string(readings) + "/iterations:1/manual_time";
    };
    const auto huge_row = [](HugeRowScreen screen) {
        return "BM_PeakMemoryWithAHugeRow/screen:" + std::to_string(static_cast<int>(screen)) +
               "/iterations:1/manual_time";
    };
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            tavix::bench::Ratio{"Peak resident memory, 1M / 1k readings",
                                {name(kLarge), "peak_rss_MiB"},
                                {name(kSmall), "peak_rss_MiB"}},
            tavix::bench::Ratio{"File size, 1M / 1k readings",
                                {name(kLarge), "file_MiB"},
                                {name(kSmall), "file_MiB"}},
            tavix::bench::Ratio{"Readings list on a 38 MiB row: peak beyond the usual / row",
                                {huge_row(HugeRowScreen::kList), "beyond_ordinary_MiB"},
                                {huge_row(HugeRowScreen::kList), "row_MiB"},
                                kHugeRowTarget},
            tavix::bench::Ratio{"Archive browser on a 38 MiB row: peak beyond the usual / row",
                                {huge_row(HugeRowScreen::kBrowser), "beyond_ordinary_MiB"},
                                {huge_row(HugeRowScreen::kBrowser), "row_MiB"},
                                kHugeRowTarget},
        });
}
