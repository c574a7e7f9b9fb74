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

#include <string>

#include "support/bench_files.hpp"
#include "support/ratio_report.hpp"
#include "support/screen_walks.hpp"

namespace {

using tavix::bench::kLargeTable;
using tavix::bench::kSmallTable;
using tavix::bench::OnBothTableSizes;
using tavix::bench::ReadingsFile;
using tavix::bench::TableSize;

void BM_BrowserRight(benchmark::State& state) {
    tavix::bench::BrowserRight(state, ReadingsFile(TableSize(state)));
}

void BM_BrowserSeek(benchmark::State& state) {
    tavix::bench::BrowserSeek(state, ReadingsFile(TableSize(state)));
}

void BM_ReadingsList(benchmark::State& state) {
    tavix::bench::ReadingsList(state, ReadingsFile(TableSize(state)));
}

BENCHMARK(BM_BrowserRight)->Apply(OnBothTableSizes);
BENCHMARK(BM_BrowserSeek)->Apply(OnBothTableSizes);
BENCHMARK(BM_ReadingsList)->Apply(OnBothTableSizes);

// On CPU time: the work is all the program's own (the file is in the page cache), and on a
// machine shared with other work the real time mostly measures the others.
tavix::bench::Ratio Growth(const std::string& title, const std::string& benchmark) {
    return {title + ", 1M / 1k readings (CPU)",
            {benchmark + "/readings:" + std::to_string(kLargeTable), tavix::bench::kCpuTime},
            {benchmark + "/readings:" + std::to_string(kSmallTable), tavix::bench::kCpuTime},
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
