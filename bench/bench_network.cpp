// The store on a PostgreSQL server across a slow network: a proxy holds every byte back for half
// a round trip of 0, 2 or 20 ms, and each operator action is timed against its floor, the
// round trips it cannot avoid (the client's turns, counted by the proxy, times the round trip).
// The actions drive the recordset as their screens do: storing a reading, Right in the archive
// browser, a search by code, the readings list of 50.
//
// With --delay-proxy=MS the program only keeps a proxy of that round trip up in front of the
// readings database, prints its URI for `tavix --database`, and ends at the end of its input.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/recordset.hpp"
#include "support/bench_files.hpp"
#include "support/bench_postgres.hpp"
#include "support/delay_proxy.hpp"
#include "support/ratio_report.hpp"

namespace {

namespace table = tavix::store::readings_table;
using tavix::bench::CodeOfReading;
using tavix::bench::DelayProxy;
using tavix::store::Database;
using tavix::store::OpenDatabase;
using tavix::store::Recordset;
using tavix::store::Timestamp;
using Clock = std::chrono::steady_clock;

constexpr int kReadings = 1000;
constexpr int kRoundTrips[] = {0, 2, 20};  // milliseconds
constexpr double kFloorFactor = 1.2;
constexpr double kSlackMs = 5;

// What a screen reads of the reading it shows.
void ReadShown(Recordset& readings) {
    for (const std::string_view field :
         {table::kId, table::kCode, table::kQuantity, table::kTerminal, table::kDateTime}) {
        benchmark::DoNotOptimize(readings.Fields(field));
    }
}

void StoreReading(Recordset& readings, int reading) {
    readings.AddNew();
    readings.SetField(table::kCode, CodeOfReading(reading));
    readings.SetField(table::kQuantity, 1.0);
    readings.SetField(table::kDateTime, Timestamp::Now());
    readings.SetField(table::kTerminal, "1");
    readings.Update();
}

DelayProxy ProxyOf(const benchmark::State& state) {
    return DelayProxy(tavix::bench::PostgresSocket(), std::chrono::milliseconds(state.range(0)));
}

// Times each iteration's action alone (what `prepare` does before it is not counted) and counts
// the client's turns it took; the counters are their means, the floor and the target.
void TimeActions(benchmark::State& state, DelayProxy& proxy, const std::function<void()>& prepare,
                 const std::function<void()>& action) {
    double total_ms = 0;
    std::int64_t turns = 0;
    for (auto _ : state) {
        prepare();
        proxy.TakeClientTurns();
        const auto start = Clock::now();
        action();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        turns += proxy.TakeClientTurns();
        total_ms += ms;
        state.SetIterationTime(ms / 1000);
    }
    const auto iterations = static_cast<double>(state.iterations());
    const double floor_ms =
        static_cast<double>(turns) / iterations * static_cast<double>(state.range(0));
    state.counters["turns"] = static_cast<double>(turns) / iterations;
    state.counters["action_ms"] = total_ms / iterations;
    state.counters["floor_ms"] = floor_ms;
    state.counters["target_ms"] = kFloorFactor * floor_ms + kSlackMs;
}

void BM_StoreReading(benchmark::State& state) {
    const tavix::bench::PostgresDatabase target =
        tavix::bench::FreshPostgresReadings("delayed_store");
    DelayProxy proxy = ProxyOf(state);
    Database database = OpenDatabase(tavix::bench::UriThrough(proxy, target.name));
    Recordset readings = database.OpenRecordset(table::kTable);
    int reading = 0;
    TimeActions(
        state, proxy, [] {}, [&] { StoreReading(readings, ++reading); });
}

void BM_BrowserRight(benchmark::State& state) {
    DelayProxy proxy = ProxyOf(state);
    Database database = OpenDatabase(
        tavix::bench::UriThrough(proxy, tavix::bench::PostgresReadingsName(kReadings)));
    Recordset readings = database.OpenRecordset(table::kTable);
    readings.MoveFirst();
    int shown = 1;  // the reading the browser stands on
    TimeActions(
        state, proxy,
        [&] {
            if (shown == kReadings) {
                readings.MoveFirst();  // back to the start before the last reading's Right
                shown = 1;
            }
        },
        [&] {
            readings.MoveNext();
            readings.Eof();
            ReadShown(readings);
            ++shown;
        });
    if (readings.Eof()) {
        state.SkipWithError("Right went past the last reading");
    }
}

void BM_SearchByCode(benchmark::State& state) {
    DelayProxy proxy = ProxyOf(state);
    Database database = OpenDatabase(
        tavix::bench::UriThrough(proxy, tavix::bench::PostgresReadingsName(kReadings)));
    Recordset readings = database.OpenRecordset(table::kTable);
    readings.MoveFirst();
    int next = 0;
    bool all_found = true;
    TimeActions(
        state, proxy, [] {},
        [&] {
            next = next % kReadings + 1;
            const std::string sought =
                CodeOfReading(1 + static_cast<int>((next * 104729LL) % kReadings));
            const std::string back = readings.Bookmark();
            readings.SetIndex(table::kCodeIndex);
            readings.Seek("=", sought);
            if (readings.NoMatch()) {
                readings.SetBookmark(back);
                all_found = false;
            } else {
                ReadShown(readings);
            }
        });
    if (!all_found) {
        state.SkipWithError("a search did not find its code");
    }
}

void BM_ReadingsList(benchmark::State& state) {
    DelayProxy proxy = ProxyOf(state);
    Database database = OpenDatabase(
        tavix::bench::UriThrough(proxy, tavix::bench::PostgresReadingsName(kReadings)));
    Recordset readings = database.OpenRecordset(table::kTable);
    int lines = 0;
    TimeActions(
        state, proxy, [] {},
        [&] {
            readings.MoveFirst();
            readings.SetCacheSize(50);
            for (lines = 0; lines < 50 && !readings.Eof(); ++lines) {
                ReadShown(readings);
                readings.MoveNext();
            }
            readings.SetCacheSize(1);
        });
    if (lines != 50) {
        state.SkipWithError("the list did not read 50 readings");
    }
}

void OnEachRoundTrip(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("rtt_ms")->UseManualTime()->Unit(benchmark::kMillisecond);
    for (const int round_trip : kRoundTrips) {
        benchmark->Arg(round_trip);
    }
}

BENCHMARK(BM_StoreReading)->Apply(OnEachRoundTrip);
BENCHMARK(BM_BrowserRight)->Apply(OnEachRoundTrip);
BENCHMARK(BM_SearchByCode)->Apply(OnEachRoundTrip);
BENCHMARK(BM_ReadingsList)->Apply(OnEachRoundTrip);

std::vector<tavix::bench::Ratio> Ratios() {
    const std::pair<const char*, const char*> actions[] = {
        {"Storing a reading", "BM_StoreReading"},
        {"Right in the browser", "BM_BrowserRight"},
        {"Search by code", "BM_SearchByCode"},
        {"Readings list of 50", "BM_ReadingsList"},
    };
    std::vector<tavix::bench::Ratio> ratios;
    for (const auto& [title, benchmark] : actions) {
        for (const int round_trip : kRoundTrips) {
            const std::string run =
                std::string(benchmark) + "/rtt_ms:" + std::to_string(round_trip) + "/manual_time";
            const std::string at = " at " + std::to_string(round_trip) + " ms";
            if (round_trip > 0) {
                ratios.push_back({std::string(title) + at + ": time / floor",
                                  {run, "action_ms"},
                                  {run, "floor_ms"},
                                  0});
            }
            // The target holds at 20 ms; at shorter round trips the figure only shows the trend.
            ratios.push_back({std::string(title) + at + ": time / (1.2 floor + 5 ms)",
                              {run, "action_ms"},
                              {run, "target_ms"},
                              round_trip == 20 ? 1.0 : 0});
        }
    }
    return ratios;
}

// Keeps a proxy of round_trip_ms in front of the readings database until the input ends.
int KeepProxyUp(int round_trip_ms) {
    DelayProxy proxy(tavix::bench::PostgresSocket(), std::chrono::milliseconds(round_trip_ms));
    std::printf(
        "%s\n",
        tavix::bench::UriThrough(proxy, tavix::bench::PostgresReadingsName(kReadings)).c_str());
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr std::string_view kDelayProxy = "--delay-proxy=";
    if (argc == 2 && std::string_view(argv[1]).starts_with(kDelayProxy)) {
        return KeepProxyUp(std::atoi(argv[1] + kDelayProxy.size()));
    }
    return tavix::bench::RunBenchmarksWithRatios(argc, argv, Ratios());
}
