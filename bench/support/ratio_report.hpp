#pragma once

#include <string>
#include <vector>

namespace tavix::bench {

// The figure names of the time per iteration, beside the benchmark's own counters.
inline const std::string kRealTime = "real time";
inline const std::string kCpuTime = "cpu time";

// One figure of a benchmark run: kRealTime, kCpuTime or one of its counters.
struct Figure {
    std::string benchmark;  // the name as the console report prints it
    std::string quantity;
};

// A ratio of two figures of the same run, and the largest value it may have (none when the
// target is 0).
struct Ratio {
    std::string title;
    Figure numerator;
    Figure denominator;
    double target = 0;
};

// Runs the registered benchmarks like BENCHMARK_MAIN, then prints each ratio with its target
// and whether the run met it. Returns the process's exit status.
int RunBenchmarksWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios);

}  // namespace tavix::bench
