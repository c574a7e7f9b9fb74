#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace tavix::bench {

// The screens that walk the readings, run headless (the tests' ProgramHarness) on a store holding
// the readings that ReadingsFile describes (reading i: code CodeOfReading(i), quantity i), an
// SQLite file or a PostgreSQL database: `store` is what OpenDatabase takes. Their number is the
// benchmark's argument, TableSize. One iteration is one key's work, its frame included; each fails
// the benchmark when the screen did not do what the keys ask.

// The walks run on 1,000 and on 1,000,000 readings: OnBothTableSizes gives a benchmark the two
// as its argument "readings", which TableSize reads back.
inline constexpr int kSmallTable = 1000;
inline constexpr int kLargeTable = 1000000;
void OnBothTableSizes(benchmark::internal::Benchmark* benchmark);
int TableSize(const benchmark::State& state);

// Right on the first reading and on: each iteration shows the next reading.
void BrowserRight(benchmark::State& state, const std::string& store);

// F3, a code, Enter: the browser shows the first reading with that code.
void BrowserSeek(benchmark::State& state, const std::string& store);

// F5's list of the first 50 readings, closed with Esc.
void ReadingsList(benchmark::State& state, const std::string& store);

}  // namespace tavix::bench
