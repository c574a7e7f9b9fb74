// A scanner's burst through the real program: readings typed all at once, each a code, its
// Enter and the Enter that stores the quantity offered, as a scanner sends them, into the
// program on a pseudo-terminal (80 x 24, TERM=xterm-256color).
//
// - Time per reading: 2,000 readings, typed as one burst or as bursts of 100, each timed from
//   its first key to the screen showing a mark typed after its last reading (every reading
//   before it is then stored: each is committed before the next key is read). Against the
//   same durable insert made with raw SQLite calls in the same folder, half of each burst's
//   number before it and half after it, so that both meet the disk in the same mood: its
//   sync latency swings tenfold within seconds on a shared machine.
// - System calls per reading, counted with strace: the program given a burst of 2,000
//   readings against the same run with none, and 2,000 raw inserts against none, in a
//   process of their own (this program run again with --durable-inserts).

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/bench_files.hpp"
#include "support/program_session.hpp"
#include "support/ratio_report.hpp"
#include "support/raw_readings.hpp"
#include "support/samples.hpp"
#include "support/skip_on_failure.hpp"

extern char** environ;

namespace {

using tavix::bench::CodeOfReading;
using tavix::bench::InstallProgram;
using tavix::bench::Mean;
using tavix::bench::Median;
using tavix::bench::ProgramSession;
using tavix::bench::RawReadings;
using tavix::bench::RunFile;
using tavix::bench::Seconds;
using tavix::bench::SkipOnFailure;
using Clock = std::chrono::steady_clock;
namespace typed = tavix::bench::typed;

constexpr int kBurstReadings = 2000;
// The same readings in bursts of 100, each between raw inserts.
constexpr int kSmallBursts = 20;
constexpr std::string_view kEndMark = "END";
constexpr std::string_view kDurableInsertsOption = "--durable-inserts";
// The target: at most this many system calls per reading beyond the raw insert's.
constexpr double kExtraCallsAllowed = 3;

// System calls by name, as strace -c sums them.
using CallCounts = std::map<std::string, long>;

std::string BurstKeys(int first, int count) {
    std::string keys;
    for (int reading = first; reading < first + count; ++reading) {
        keys += CodeOfReading(reading);
        keys += typed::kEnter;
        keys += typed::kEnter;
    }
    return keys + std::string(kEndMark);
}

// From the empty code field: readings first to first + count - 1 and the mark after them,
// typed as fast as the program takes them; returns once the code field shows the mark.
void TypeBurst(ProgramSession& session, int first, int count) {
    session.Pty().TypeAhead(BurstKeys(first, count));
    session.WaitForCode(kEndMark);
}

// F1 empties the code field again.
void ClearMark(ProgramSession& session) {
    session.Pty().Send(typed::kF1);
    session.Pty().ReadUntil(ProgramSession::ShowsEntryScreen);
}

// Empties the code field, leaves acquisition and ends the program.
void LeaveAfterTheMark(ProgramSession& session) {
    ClearMark(session);
    session.LeaveAcquisition();
    session.Quit();
}

void RequireStored(const std::string& program, int readings) {
    RawReadings stored(std::filesystem::path(program).replace_filename("tavix.mdb").string());
    if (stored.Count() != readings) {
        throw std::runtime_error("the readings stored are not the readings typed");
    }
}

// state.range(0) readings per burst, kBurstReadings in all.
void BM_BurstThroughProgram(benchmark::State& state) {
    SkipOnFailure(state, [&] {
        const int per_burst = static_cast<int>(state.range(0));
        const std::string program = InstallProgram("burst-" + std::to_string(per_burst));
        RawReadings floor(RawReadings::CreateFloorFile(
            RunFile("burst-floor-" + std::to_string(per_burst) + ".mdb")));
        std::vector<double> floor_ms;
        const auto insert_raw = [&](int first, int count) {
            for (int reading = first; reading < first + count; ++reading) {
                const Clock::time_point start = Clock::now();
                floor.InsertDurably(CodeOfReading(reading));
                floor_ms.push_back(1000 * Seconds(Clock::now() - start));
            }
        };
        ProgramSession session(program);
        session.ToEntryScreen();
        int typed = 0;
        double burst_seconds = 0;
        for (auto _ : state) {
            insert_raw(typed + 1, per_burst / 2);
            const Clock::time_point start = Clock::now();
            TypeBurst(session, typed + 1, per_burst);
            const double seconds = Seconds(Clock::now() - start);
            state.SetIterationTime(seconds);
            burst_seconds += seconds;
            insert_raw(typed + 1 + per_burst / 2, per_burst - per_burst / 2);
            typed += per_burst;
            ClearMark(session);
        }
        RequireStored(program, typed);
        session.LeaveAcquisition();
        const double cpu_seconds = session.Quit().cpu_seconds;
        state.counters["program_ms"] = 1000 * burst_seconds / typed;
        // The program's own work per reading, start-up and menus included.
        state.counters["program_cpu_ms"] = 1000 * cpu_seconds / typed;
        state.counters["floor_ms"] = Mean(floor_ms);
        state.counters["floor_median_ms"] = Median(floor_ms);
    });
}
BENCHMARK(BM_BurstThroughProgram)
    ->ArgName("per_burst")
    ->Arg(kBurstReadings)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BurstThroughProgram)
    ->ArgName("per_burst")
    ->Arg(kBurstReadings / kSmallBursts)
    ->Iterations(kSmallBursts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- System calls ----

// What strace -c wrote: a table whose rows end with the call's name, the calls count being
// the column before the errors (which may be empty).
CallCounts ReadCallCounts(const std::string& summary) {
    std::ifstream file(summary);
    CallCounts counts;
    for (std::string line; std::getline(file, line);) {
        std::istringstream row(line);
        std::vector<std::string> fields;
        for (std::string field; row >> field;) {
            fields.push_back(field);
        }
        if (fields.size() < 5 || fields[0].find_first_not_of("0123456789.") != std::string::npos ||
            fields.back() == "total") {
            continue;
        }
        counts[fields.back()] = std::stol(fields[3]);
    }
    if (counts.empty()) {
        throw std::runtime_error("strace left no counts in " + summary);
    }
    return counts;
}

long Total(const CallCounts& counts) {
    long total = 0;
    for (const auto& [name, calls] : counts) {
        total += calls;
    }
    return total;
}

std::vector<std::string> Traced(const std::string& summary, std::vector<std::string> command) {
    command.insert(command.begin(), {"strace", "-f", "-c", "-o", summary});
    return command;
}

// The program's calls for a burst of `readings`, from start to end.
CallCounts ProgramCalls(int readings) {
    const std::string program = InstallProgram("calls-" + std::to_string(readings));
    const std::string summary = RunFile("program-calls-" + std::to_string(readings) + ".txt");
    {
        ProgramSession session(Traced(summary, {program}));
        session.ToEntryScreen();
        TypeBurst(session, 1, readings);
        RequireStored(program, readings);
        LeaveAfterTheMark(session);
    }
    return ReadCallCounts(summary);
}

std::string ThisProgram() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

// The calls of `readings` raw inserts in a process of their own, from start to end.
CallCounts RawInsertCalls(int readings) {
    const std::string file =
        RawReadings::CreateFloorFile(RunFile("calls-floor-" + std::to_string(readings) + ".mdb"));
    const std::string summary = RunFile("raw-calls-" + std::to_string(readings) + ".txt");
    std::vector<std::string> command =
        Traced(summary,
               {ThisProgram(), std::string(kDurableInsertsOption), std::to_string(readings), file});
    std::vector<char*> argv;
    for (std::string& argument : command) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot run strace: is it installed?");
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the traced raw inserts failed");
    }
    return ReadCallCounts(summary);
}

// Per reading: the calls of the run with the readings less those of the run without.
double PerReading(const CallCounts& with, const CallCounts& without, const std::string& name) {
    const auto calls = [&](const CallCounts& counts) {
        if (name.empty()) {
            return Total(counts);
        }
        const auto found = counts.find(name);
        return found == counts.end() ? 0L : found->second;
    };
    return static_cast<double>(calls(with) - calls(without)) / kBurstReadings;
}

// Which calls the two spend per reading, for the record.
void PrintBreakdown(const CallCounts& program, const CallCounts& program_none,
                    const CallCounts& raw, const CallCounts& raw_none) {
    CallCounts names = program;
    names.insert(raw.begin(), raw.end());
    std::fprintf(stderr, "\nSystem calls per reading       program   raw insert\n");
    for (const auto& [name, ignored] : names) {
        const double in_program = PerReading(program, program_none, name);
        const double in_raw = PerReading(raw, raw_none, name);
        if (in_program >= 0.01 || in_raw >= 0.01) {
            std::fprintf(stderr, "  %-26s %9.2f %12.2f\n", name.c_str(), in_program, in_raw);
        }
    }
    std::fprintf(stderr, "  %-26s %9.2f %12.2f\n\n", "all", PerReading(program, program_none, ""),
                 PerReading(raw, raw_none, ""));
}

void BM_BurstSystemCalls(benchmark::State& state) {
    SkipOnFailure(state, [&] {
        double program = 0;
        double raw = 0;
        for (auto _ : state) {
            const CallCounts program_burst = ProgramCalls(kBurstReadings);
            const CallCounts program_none = ProgramCalls(0);
            const CallCounts raw_burst = RawInsertCalls(kBurstReadings);
            const CallCounts raw_none = RawInsertCalls(0);
            PrintBreakdown(program_burst, program_none, raw_burst, raw_none);
            program = PerReading(program_burst, program_none, "");
            raw = PerReading(raw_burst, raw_none, "");
        }
        state.counters["program_calls"] = program;
        state.counters["raw_calls"] = raw;
        state.counters["raw_calls_and_allowance"] = raw + kExtraCallsAllowed;
    });
}
BENCHMARK(BM_BurstSystemCalls)->Iterations(1)->Unit(benchmark::kMillisecond);

// The raw inserts alone, for strace to count.
int RunDurableInserts(int readings, const std::string& file) {
    try {
        RawReadings floor(file);
        for (int reading = 1; reading <= readings; ++reading) {
            floor.InsertDurably(CodeOfReading(reading));
        }
        return floor.Count() == readings ? 0 : 1;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && argv[1] == kDurableInsertsOption) {
        return RunDurableInserts(std::stoi(argv[2]), argv[3]);
    }
    using tavix::bench::Ratio;
    const std::string one_burst =
        "BM_BurstThroughProgram/per_burst:" + std::to_string(kBurstReadings) +
        "/iterations:1/manual_time";
    const std::string small_bursts =
        "BM_BurstThroughProgram/per_burst:" + std::to_string(kBurstReadings / kSmallBursts) +
        "/iterations:" + std::to_string(kSmallBursts) + "/manual_time";
    const std::string calls = "BM_BurstSystemCalls/iterations:1";
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            Ratio{"One burst of 2,000, per reading: program / raw insert",
                  {one_burst, "program_ms"},
                  {one_burst, "floor_ms"},
                  1.2},
            Ratio{"Bursts of 100, per reading: program / raw insert",
                  {small_bursts, "program_ms"},
                  {small_bursts, "floor_ms"},
                  1.2},
            Ratio{"Bursts of 100, per reading: program / raw insert's median",
                  {small_bursts, "program_ms"},
                  {small_bursts, "floor_median_ms"}},
            Ratio{"System calls per reading: program / (raw insert's + 3)",
                  {calls, "program_calls"},
                  {calls, "raw_calls_and_allowance"},
                  1.0},
            Ratio{"System calls per reading: program / raw insert",
                  {calls, "program_calls"},
                  {calls, "raw_calls"}},
        });
}
