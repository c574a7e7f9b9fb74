#pragma once

#include <benchmark/benchmark.h>

#include <exception>

namespace tavix::bench {

// Runs a benchmark's body, which may throw: a failure ends the benchmark with its message as
// the benchmark's error instead of ending the whole run.
template <typename Body>
void SkipOnFailure(benchmark::State& state, Body&& body) {
    try {
        body();
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}

}  // namespace tavix::bench
