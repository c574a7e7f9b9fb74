// tavix-admin export against the sqlite3 shell on the same readings file, and a program storing
// readings while an export of a million readings runs.
//
// ExportCsv: each iteration runs `tavix-admin export FILE` and `sqlite3 -csv -header FILE
// 'SELECT id, code, qt, terminal, DateTime FROM Readings'` one after the other (the order
// alternating), both writing to /dev/null, and times each from its start to its end. The
// kernel's count of each child's largest resident set is its peak memory.
//
// StoringDuringExport: on a copy of the million-reading file, the store stores readings one by
// one (AddNew and Update, one durable commit each, as the program does) and each commit is
// timed: first while the sqlite3 shell exports the original file (the machine as busy, no
// lock shared), then while tavix-admin exports the copy itself into a pipe that a consumer
// reads. Every reading must be stored, and the export must hold the readings 1 to n in order,
// n being at least the number there before it started.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "store/database.hpp"
#include "store/recordset.hpp"
#include "support/bench_files.hpp"
#include "support/child_program.hpp"
#include "support/ratio_report.hpp"

namespace {

using tavix::bench::ChildEnded;
using tavix::bench::ChildProgram;
using tavix::bench::RunChild;
using tavix::bench::StartChild;
using tavix::bench::WaitForChild;
using Clock = std::chrono::steady_clock;

constexpr int kSmall = 1000;
constexpr int kLarge = 1000000;
constexpr const char* kExportQuery = "SELECT id, code, qt, terminal, DateTime FROM Readings";

void BM_ExportCsv(benchmark::State& state) {
    const int readings = static_cast<int>(state.range(0));
    try {
        const std::string& file = tavix::bench::ReadingsFile(readings);
        const std::vector<std::string> admin = {TAVIX_ADMIN_BINARY, "export", file};
        const std::vector<std::string> shell = {"sqlite3", "-csv", "-header", file, kExportQuery};
        double admin_seconds = 0;
        double shell_seconds = 0;
        double admin_peak = 0;
        double shell_peak = 0;
        bool admin_first = true;
        for (auto _ : state) {
            const ChildEnded first = RunChild(admin_first ? admin : shell);
            const ChildEnded second = RunChild(admin_first ? shell : admin);
            const ChildEnded& by_admin = admin_first ? first : second;
            const ChildEnded& by_shell = admin_first ? second : first;
            admin_seconds += by_admin.seconds;
            shell_seconds += by_shell.seconds;
            admin_peak = std::max(admin_peak, by_admin.peak_rss_mib);
            shell_peak = std::max(shell_peak, by_shell.peak_rss_mib);
            state.SetIterationTime(by_admin.seconds);
            admin_first = !admin_first;
        }
        using benchmark::Counter;
        state.counters["admin_s"] = Counter(admin_seconds, Counter::kAvgIterations);
        state.counters["sqlite3_s"] = Counter(shell_seconds, Counter::kAvgIterations);
        state.counters["admin_peak_MiB"] = admin_peak;
        state.counters["sqlite3_peak_MiB"] = shell_peak;
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_ExportCsv)
    ->ArgName("readings")
    ->Arg(kSmall)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)
    ->ArgName("readings")
    ->Arg(kLarge)
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// With --output: the whole file written beside its name, synced and renamed.
void BM_ExportCsvToFile(benchmark::State& state) {
    try {
        const std::string& file = tavix::bench::ReadingsFile(kLarge);
        const std::string output = tavix::bench::RunFile("export.csv");
        for (auto _ : state) {
            state.SetIterationTime(
                RunChild({TAVIX_ADMIN_BINARY, "export", "--output", output, file}).seconds);
        }
        state.counters["file_MiB"] =
            static_cast<double>(std::filesystem::file_size(output)) / (1024 * 1024);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_ExportCsvToFile)->UseManualTime()->Unit(benchmark::kMillisecond);

struct CommitTimes {
    std::vector<double> milliseconds;

    double Percentile(double share) {
        std::sort(milliseconds.begin(), milliseconds.end());
        const auto at =
            static_cast<std::size_t>(share * static_cast<double>(milliseconds.size() - 1));
        return milliseconds[at];
    }
};

void StoreOne(tavix::store::Recordset& readings, int number, CommitTimes& times) {
    using tavix::store::Value;
    std::string code = "W";
    code += std::to_string(number);
    const Clock::time_point start = Clock::now();
    readings.AddNew();
    readings.SetField("code", Value(code));
    readings.SetField("qt", Value(1.0));
    readings.SetField("terminal", Value("9"));
    readings.SetField("DateTime", Value(tavix::store::Timestamp::Now()));
    readings.Update();
    times.milliseconds.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
}

std::int64_t CountOf(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    const std::int64_t count =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

// Reads a CSV export from a pipe as a consumer would, on a thread of its own: the ids of its
// readings must run 1, 2, 3, ... with none skipped or repeated.
class ExportReader {
  public:
    explicit ExportReader(int fd) : thread_([this, fd] { Read(fd); }) {}
    ExportReader(const ExportReader&) = delete;
    ExportReader& operator=(const ExportReader&) = delete;
    ~ExportReader() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // The number of readings once the pipe has ended; throws when the ids were not in order.
    std::int64_t Readings() {
        thread_.join();
        if (!in_order_) {
            throw std::runtime_error("the export skipped or repeated a reading");
        }
        return lines_ - 1;
    }

  private:
    void Read(int fd) {
        std::vector<char> buffer(1 << 16);
        std::string line;
        ssize_t count = 0;
        while ((count = ::read(fd, buffer.data(), buffer.size())) > 0) {
            for (ssize_t i = 0; i < count; ++i) {
                if (buffer[static_cast<std::size_t>(i)] != '\n') {
                    line.push_back(buffer[static_cast<std::size_t>(i)]);
                    continue;
                }
                if (lines_ > 0 && std::atoll(line.c_str()) != lines_) {
                    in_order_ = false;
                }
                ++lines_;
                line.clear();
            }
        }
        ::close(fd);
    }

    std::int64_t lines_ = 0;
    bool in_order_ = true;
    std::thread thread_;
};

// Stores readings, measuring each, for as long as the program runs; its output is read and
// checked as it comes. Returns the number of readings the program wrote.
std::int64_t StoreWhileRunning(const std::vector<std::string>& program,
                               tavix::store::Recordset& readings, int& stored, CommitTimes& times) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    const ChildProgram running = StartChild(program, ends[1]);
    ::close(ends[1]);
    ExportReader reader(ends[0]);
    while (!WaitForChild(running, false)) {
        StoreOne(readings, ++stored, times);
    }
    return reader.Readings();
}

void BM_StoringDuringExport(benchmark::State& state) {
    try {
        const std::string& original = tavix::bench::ReadingsFile(kLarge);
        const std::string copy = tavix::bench::RunFile("storing.mdb");
        for (auto _ : state) {
            std::filesystem::remove(copy);
            std::filesystem::copy_file(original, copy);
            tavix::store::Database database = tavix::store::OpenDatabase(copy);
            tavix::store::Recordset readings = database.OpenRecordset("Readings");
            int stored = 0;

            // The machine as busy as during the export, reading another file: the sqlite3 shell
            // exporting the original.
            CommitTimes beside;
            StoreWhileRunning({"sqlite3", "-csv", "-header", original, kExportQuery}, readings,
                              stored, beside);

            const int before_export = kLarge + stored;
            CommitTimes during;
            const Clock::time_point start = Clock::now();
            const std::int64_t exported =
                StoreWhileRunning({TAVIX_ADMIN_BINARY, "export", copy}, readings, stored, during);
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
            if (exported < before_export || exported > kLarge + stored) {
                throw std::runtime_error("the export holds " + std::to_string(exported) +
                                         " readings");
            }

            const std::int64_t kept =
                CountOf(copy, "SELECT count(*) FROM Readings WHERE code LIKE 'W%'");
            state.counters["lost"] = static_cast<double>(stored - kept);
            state.counters["stored_during"] = static_cast<double>(during.milliseconds.size());
            state.counters["beside_p99_ms"] = beside.Percentile(0.99);
            state.counters["beside_max_ms"] = beside.Percentile(1.0);
            state.counters["during_p99_ms"] = during.Percentile(0.99);
            state.counters["during_max_ms"] = during.Percentile(1.0);
        }
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_StoringDuringExport)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const auto exported = [](int readings) {
        const std::string iterations = readings == kLarge ? "/iterations:4" : "";
        return "BM_ExportCsv/readings:" + std::to_string(readings) + iterations + "/manual_time";
    };
    const std::string storing = "BM_StoringDuringExport/iterations:1/manual_time";
    using tavix::bench::Ratio;
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            Ratio{"CSV export of 1M readings, tavix-admin / sqlite3 shell",
                  {exported(kLarge), "admin_s"},
                  {exported(kLarge), "sqlite3_s"},
                  1.0},
            Ratio{"CSV export of 1k readings, tavix-admin / sqlite3 shell",
                  {exported(kSmall), "admin_s"},
                  {exported(kSmall), "sqlite3_s"}},
            Ratio{"Peak resident memory of the export, 1M / 1k readings",
                  {exported(kLarge), "admin_peak_MiB"},
                  {exported(kSmall), "admin_peak_MiB"}},
            Ratio{"Commit p99, during a 1M export / beside the shell's",
                  {storing, "during_p99_ms"},
                  {storing, "beside_p99_ms"}},
        });
}
