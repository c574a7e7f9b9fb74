// Forwarding a terminal's file to the benchmarks' own durable PostgreSQL server.
//
// - ForwardBacklog: a file of 100,000 readings, prepared so that all of them wait, forwarded
//   by `tavix-admin forward FILE URI`, and in the same iteration `tavix-admin copy` of the
//   same readings into an empty table: the forward may take at most 1.5 times the copy.
// - ForwardMemory: the forward's peak resident memory with 1,000 and 1,000,000 changes
//   waiting: flat.
// - ReadingWithForwarding: the real program on a pseudo-terminal storing readings into its
//   file, with `--forward URI` to the reachable server and without it, alternating: the
//   operator's wait for a reading may grow by at most 5 %.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "store/forwarding.hpp"
#include "support/bench_files.hpp"
#include "support/bench_postgres.hpp"
#include "support/child_program.hpp"
#include "support/program_session.hpp"
#include "support/ratio_report.hpp"

namespace {

using tavix::bench::ChildEnded;
using tavix::bench::RunChild;

constexpr int kBacklog = 100000;
constexpr int kSmall = 1000;
constexpr int kLarge = 1000000;
constexpr int kReadingsPerSession = 200;

// A copy of the benchmarks' file of `readings`, prepared for forwarding with every reading
// waiting.
std::string FileWithBacklog(int readings, const std::string& name) {
    const std::string file = tavix::bench::RunFile(name);
    std::filesystem::remove(file);
    std::filesystem::copy_file(tavix::bench::ReadingsFile(readings), file);
    tavix::store::PrepareForwarding(file, tavix::store::History::kQueue);
    return file;
}

void BM_ForwardBacklog(benchmark::State& state) {
    try {
        double forward_seconds = 0;
        double copy_seconds = 0;
        for (auto _ : state) {
            const std::string file = FileWithBacklog(kBacklog, "backlog.mdb");
            const auto forwarded = tavix::bench::FreshPostgresReadings("forwarded");
            const auto copied = tavix::bench::FreshPostgresReadings("copied");
            const ChildEnded forward =
                RunChild({TAVIX_ADMIN_BINARY, "forward", file, forwarded.uri});
            const ChildEnded copy = RunChild({TAVIX_ADMIN_BINARY, "copy", file, copied.uri});
            state.SetIterationTime(forward.seconds);
            forward_seconds += forward.seconds;
            copy_seconds += copy.seconds;
        }
        using benchmark::Counter;
        state.counters["forward_s"] = Counter(forward_seconds, Counter::kAvgIterations);
        state.counters["copy_s"] = Counter(copy_seconds, Counter::kAvgIterations);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_ForwardBacklog)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ForwardMemory(benchmark::State& state) {
    try {
        const int readings = static_cast<int>(state.range(0));
        double peak = 0;
        for (auto _ : state) {
            const std::string file = FileWithBacklog(readings, "memory.mdb");
            const auto target = tavix::bench::FreshPostgresReadings("memory");
            const ChildEnded forward = RunChild({TAVIX_ADMIN_BINARY, "forward", file, target.uri});
            state.SetIterationTime(forward.seconds);
            peak = std::max(peak, forward.peak_rss_mib);
        }
        state.counters["peak_MiB"] = peak;
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_ForwardMemory)
    ->ArgName("pending")
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Seconds per reading typed into a program with the given arguments after its own.
double SecondsPerReading(const std::string& program, const std::vector<std::string>& options) {
    std::vector<std::string> command = {program};
    command.insert(command.end(), options.begin(), options.end());
    tavix::bench::ProgramSession session(command);
    session.ToEntryScreen();
    const auto started = std::chrono::steady_clock::now();
    for (int reading = 1; reading <= kReadingsPerSession; ++reading) {
        session.TypeCode(std::string("F").append(std::to_string(reading)));
        session.ConfirmCode();
        session.ConfirmQuantity();
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
    session.LeaveAcquisition();
    session.Quit();
    return spent.count() / kReadingsPerSession;
}

void BM_ReadingWithForwarding(benchmark::State& state) {
    try {
        const std::string program = tavix::bench::InstallProgram("forwarding");
        const std::string file =
            (std::filesystem::path(program).parent_path() / "tavix.mdb").string();
        const auto target = tavix::bench::FreshPostgresReadings("terminal");
        double with_seconds = 0;
        double without_seconds = 0;
        bool forwarding_first = true;
        for (auto _ : state) {
            const std::vector<std::string> with = {"--database", file, "--forward", target.uri};
            const std::vector<std::string> without = {"--database", file};
            const double first = SecondsPerReading(program, forwarding_first ? with : without);
            const double second = SecondsPerReading(program, forwarding_first ? without : with);
            with_seconds += forwarding_first ? first : second;
            without_seconds += forwarding_first ? second : first;
            state.SetIterationTime(forwarding_first ? first : second);
            forwarding_first = !forwarding_first;
        }
        using benchmark::Counter;
        state.counters["with_ms"] = Counter(with_seconds * 1000, Counter::kAvgIterations);
        state.counters["without_ms"] = Counter(without_seconds * 1000, Counter::kAvgIterations);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_ReadingWithForwarding)->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const std::string backlog = "BM_ForwardBacklog/iterations:3/manual_time";
    const auto memory = [](int pending) {
        return "BM_ForwardMemory/pending:" + std::to_string(pending) + "/iterations:1/manual_time";
    };
    const std::string reading = "BM_ReadingWithForwarding/iterations:6/manual_time";
    using tavix::bench::Ratio;
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            Ratio{"Forwarding a backlog of 100k readings, forward / copy",
                  {backlog, "forward_s"},
                  {backlog, "copy_s"},
                  1.5},
            Ratio{"Peak resident memory of a forward, 1M / 1k changes waiting",
                  {memory(kLarge), "peak_MiB"},
                  {memory(kSmall), "peak_MiB"},
                  1.5},
            Ratio{"A reading through the program, with --forward / without",
                  {reading, "with_ms"},
                  {reading, "without_ms"},
                  1.05},
        });
}
