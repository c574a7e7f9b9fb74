#pragma once

#include <string>

namespace tavix::bench {

// The folder of the benchmark programs (and of the program's own executables).
const std::string& ProgramsFolder();

// A folder for this run's files beside the benchmark programs, removed at exit. On the disk,
// not in memory, so that syncs cost what they cost.
std::string RunFile(const std::string& name);

// The code of reading number `reading` (from 1) in a readings file: ten readings share each
// code once there are more than 100,000.
std::string CodeOfReading(int reading);

// A readings file of `count` readings: reading i has the code CodeOfReading(i), the quantity
// i and the terminal "1". Built once with one bulk transaction and kept in bench-data beside
// the benchmark programs, so later runs reuse it; nothing of the benchmarks changes it.
const std::string& ReadingsFile(int count);

// A folder of this run holding a copy of the program, with a copy of `readings` (a path from
// ReadingsFile), or an empty readings file when it is empty, as its tavix.mdb. Returns the
// path of the copied program.
std::string InstallProgram(const std::string& name, const std::string& readings = "");

}  // namespace tavix::bench
