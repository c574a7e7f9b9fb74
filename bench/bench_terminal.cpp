// The real program on a pseudo-terminal, as an operator at an xterm would use it (80 x 24,
// TERM=xterm-256color): the benchmark types the keys and reads everything the program writes,
// following the screen with a small terminal model; it waits for screens, never for a time.
//
// - Per reading: from the Enter that confirms the quantity to the empty code field on the
//   screen, against the same durable insert made with raw SQLite calls (WAL, synchronous
//   FULL, one transaction per row) in the same folder: one sync per reading is the floor.
//   The two alternate, reading by reading, so that both meet the same disk. The code's Enter,
//   which changes the screen as much and stores nothing, gives the terminal's own round trip.
// - Bytes written per key typed in the code field, against the one byte a terminal needs to
//   show an ASCII character where its cursor already stands.
// - Bytes written for a whole change of screen: the main menu giving way to acquisition.
// - Start-up: from starting the program to its first screen shown whole, with 1,000 and with
//   1,000,000 readings in its file, and the program's peak resident memory over that run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/bench_files.hpp"
#include "support/program_session.hpp"
#include "support/ratio_report.hpp"
#include "support/raw_readings.hpp"
#include "support/samples.hpp"
#include "support/skip_on_failure.hpp"

namespace {

using tavix::bench::CodeOfReading;
using tavix::bench::InstallProgram;
using tavix::bench::Mean;
using tavix::bench::Median;
using tavix::bench::ProgramSession;
using tavix::bench::RawReadings;
using tavix::bench::ReadingsFile;
using tavix::bench::ScreenModel;
using tavix::bench::Seconds;
using tavix::bench::SkipOnFailure;
using Clock = std::chrono::steady_clock;

constexpr int kReadings = 2000;
constexpr int kTypedKeys = 640;
constexpr int kScreenChanges = 20;
constexpr int kStartUps = 10;

constexpr int kCodeColumn = 3;
constexpr int kCodeRow = 7;
// Keys typed into one code field before F1 empties it (the field takes 18).
constexpr int kKeysPerField = 16;
constexpr std::string_view kTypedCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

void BM_ReadingThroughProgram(benchmark::State& state) {
    SkipOnFailure(state, [&] {
        const std::string program = InstallProgram("readings");
        RawReadings floor(RawReadings::CreateFloorFile(tavix::bench::RunFile("floor.mdb")));

        ProgramSession session(program);
        session.ToEntryScreen();
        std::vector<double> program_ms;
        std::vector<double> floor_ms;
        std::vector<double> round_trip_ms;
        int reading = 0;
        const auto insert_raw = [&](const std::string& code) {
            const Clock::time_point start = Clock::now();
            floor.InsertDurably(code);
            floor_ms.push_back(1000 * Seconds(Clock::now() - start));
        };
        for (auto _ : state) {
            const std::string code = CodeOfReading(++reading);
            // The raw insert goes before the program's on odd readings and after it on even
            // ones: neither side always finds the disk just synced by the other.
            if (reading % 2 == 1) {
                insert_raw(code);
            }
            session.TypeCode(code);
            // The code's Enter changes the screen as much and stores nothing: the terminal's
            // round trip alone, key in and screen out, in the same conditions.
            const Clock::time_point code_confirmed = Clock::now();
            session.ConfirmCode();
            const Clock::time_point confirmed = Clock::now();
            round_trip_ms.push_back(1000 * Seconds(confirmed - code_confirmed));
            session.ConfirmQuantity();
            const Clock::time_point shown = Clock::now();
            program_ms.push_back(1000 * Seconds(shown - confirmed));
            state.SetIterationTime(Seconds(shown - confirmed));
            if (reading % 2 == 0) {
                insert_raw(code);
            }
        }
        RawReadings stored(std::filesystem::path(program).replace_filename("tavix.mdb").string());
        if (stored.Count() != reading || floor.Count() != reading) {
            throw std::runtime_error("the readings stored are not the readings typed");
        }
        session.LeaveAcquisition();
        const double program_cpu_seconds = session.Quit().cpu_seconds;
        // The program's own work per reading, start-up and menus included: what is left of
        // program_ms beyond it and the sync is waiting for the scheduler.
        state.counters["program_cpu_ms"] = 1000 * program_cpu_seconds / reading;
        state.counters["program_ms"] = Mean(program_ms);
        state.counters["floor_ms"] = Mean(floor_ms);
        state.counters["program_median_ms"] = Median(program_ms);
        state.counters["round_trip_ms"] = Mean(round_trip_ms);
        state.counters["program_less_trip_ms"] = Mean(program_ms) - Mean(round_trip_ms);
        state.counters["floor_median_ms"] = Median(floor_ms);
    });
}
BENCHMARK(BM_ReadingThroughProgram)
    ->Iterations(kReadings)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_TypedKeyBytes(benchmark::State& state) {
    SkipOnFailure(state, [&] {
        ProgramSession session(InstallProgram("typing"));
        session.ToEntryScreen();
        tavix::bench::PtyProgram& pty = session.Pty();
        std::size_t bytes = 0;
        std::size_t least = 0;
        std::size_t typed = 0;
        int column = kCodeColumn;
        for (auto _ : state) {
            if (column == kCodeColumn + kKeysPerField) {
                pty.Send(tavix::bench::typed::kF1);
                pty.ReadUntil([](const ScreenModel& screen) {
                    return screen.At(kCodeColumn, kCodeRow) == U' ' &&
                           screen.CursorX() == kCodeColumn && screen.CursorY() == kCodeRow;
                });
                column = kCodeColumn;
            }
            const char key = kTypedCharacters[typed++ % kTypedCharacters.size()];
            const Clock::time_point start = Clock::now();
            pty.Send(std::string_view(&key, 1));
            bytes += pty.ReadUntil([&](const ScreenModel& screen) {
                return screen.At(column, kCodeRow) == static_cast<char32_t>(key) &&
                       screen.CursorX() == column + 1 && screen.CursorY() == kCodeRow;
            });
            state.SetIterationTime(Seconds(Clock::now() - start));
            // One ASCII byte, the cursor already standing where it goes.
            least += 1;
            ++column;
        }
        session.LeaveAcquisition();
        session.Quit();
        state.counters["bytes_per_key"] = static_cast<double>(bytes) / typed;
        state.counters["least_bytes"] = static_cast<double>(least) / typed;
    });
}
BENCHMARK(BM_TypedKeyBytes)->Iterations(kTypedKeys)->UseManualTime()->Unit(benchmark::kMicrosecond);

int ChangedCells(const ScreenModel& before, const ScreenModel& after) {
    int changed = 0;
    for (int y = 1; y <= ProgramSession::kRows; ++y) {
        for (int x = 1; x <= ProgramSession::kColumns; ++x) {
            changed += before.At(x, y) != after.At(x, y) ? 1 : 0;
        }
    }
    return changed;
}

// The main menu gives way to the terminal prompt; back to the menu between the iterations.
void BM_ScreenChangeBytes(benchmark::State& state) {
    SkipOnFailure(state, [&] {
        ProgramSession session(InstallProgram("screens"));
        session.WaitForFirstScreen();
        session.ToMainMenu();
        std::size_t bytes = 0;
        long changed = 0;
        for (auto _ : state) {
            const ScreenModel before = session.Screen();
            const Clock::time_point start = Clock::now();
            bytes += session.OpenAcquisition();
            state.SetIterationTime(Seconds(Clock::now() - start));
            changed += ChangedCells(before, session.Screen());
            session.EndReadings();
        }
        session.Quit();
        const auto changes = static_cast<double>(state.iterations());
        state.counters["bytes"] = static_cast<double>(bytes) / changes;
        state.counters["changed_cells"] = static_cast<double>(changed) / changes;
    });
}
BENCHMARK(BM_ScreenChangeBytes)
    ->Iterations(kScreenChanges)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_StartUp(benchmark::State& state) {
    SkipOnFailure(state, [&] {
        const std::string program =
            InstallProgram("start-up", ReadingsFile(static_cast<int>(state.range(0))));
        long peak_kib = 0;
        for (auto _ : state) {
            const Clock::time_point start = Clock::now();
            ProgramSession session(program);
            session.WaitForFirstScreen();
            state.SetIterationTime(Seconds(Clock::now() - start));
            session.ToMainMenu();
            peak_kib = std::max(peak_kib, session.Quit().peak_rss_kib);
        }
        state.counters["peak_rss_MiB"] = static_cast<double>(peak_kib) / 1024;
    });
}
BENCHMARK(BM_StartUp)
    ->ArgName("readings")
    ->Arg(1000)
    ->Arg(1000000)
    ->Iterations(kStartUps)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    using tavix::bench::Ratio;
    const std::string reading =
        "BM_ReadingThroughProgram/iterations:" + std::to_string(kReadings) + "/manual_time";
    const std::string typing =
        "BM_TypedKeyBytes/iterations:" + std::to_string(kTypedKeys) + "/manual_time";
    const std::string start_up = "/iterations:" + std::to_string(kStartUps) + "/manual_time";
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            Ratio{"Per reading: program / raw durable insert",
                  {reading, "program_ms"},
                  {reading, "floor_ms"},
                  1.2},
            Ratio{"Per reading, medians: program / raw durable insert",
                  {reading, "program_median_ms"},
                  {reading, "floor_median_ms"}},
            Ratio{"Terminal round trip (code's Enter) / raw durable insert",
                  {reading, "round_trip_ms"},
                  {reading, "floor_ms"}},
            Ratio{"Per reading less the round trip / raw durable insert",
                  {reading, "program_less_trip_ms"},
                  {reading, "floor_ms"}},
            Ratio{"Bytes per typed key / least bytes",
                  {typing, "bytes_per_key"},
                  {typing, "least_bytes"},
                  2.0},
            Ratio{"Start-up to the first screen, 1M / 1k readings",
                  {"BM_StartUp/readings:1000000" + start_up, tavix::bench::kRealTime},
                  {"BM_StartUp/readings:1000" + start_up, tavix::bench::kRealTime}},
        });
}
