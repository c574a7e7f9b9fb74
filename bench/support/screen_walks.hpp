#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace tavix::bench {

// The screens that walk the readings, run headless (HeadlessScreens) on a store holding the
// readings that ReadingsFile describes (reading i: code CodeOfReading(i), quantity i), an
// SQLite file or a PostgreSQL database: `store` is what OpenDatabase takes. `readings` is their
// number. One iteration is one key's work, its frame included; each fails the benchmark when
// the screen did not do what the keys ask.

// Right on the first reading and on: each iteration shows the next reading.
void BrowserRight(benchmark::State& state, const std::string& store, int readings);

// F3, a code, Enter: the browser shows the first reading with that code.
void BrowserSeek(benchmark::State& state, const std::string& store, int readings);

// F5's list of the first 50 readings, closed with Esc.
void ReadingsList(benchmark::State& state, const std::string& store);

}  // namespace tavix::bench
