#pragma once

#include <chrono>
#include <vector>

namespace tavix::bench {

// A steady clock's duration in seconds.
double Seconds(std::chrono::steady_clock::duration duration);

// The mean and the median of a benchmark's samples; neither takes an empty set.
double Mean(const std::vector<double>& samples);
double Median(std::vector<double> samples);

}  // namespace tavix::bench
