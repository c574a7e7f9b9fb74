// The readings store on a PostgreSQL server (the benchmark's own, durable as a real one):
// - AddNew+Update per reading side by side with the same single-row insert and commit made with
//   raw libpq on the same server (an INSERT on its own, committed before the answer, synchronous
//   commit on): both wait for the server's sync of its log;
// - the screens that walk the readings (Right in the archive browser, its search by code, the
//   readings list) on 1,000 and on 1,000,000 readings, headless as in bench_screens;
// - many writers: 1, 8, 32 and 64 sessions, each a process of its own as the terminals of a
//   site are, storing readings through the store as fast as they can for 20 s, on one
//   SQLite file and on the server: readings per second and the 99th percentile of the time
//   per reading.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/database.hpp"
#include "store/recordset.hpp"
#include "store/store_error.hpp"
#include "support/bench_files.hpp"
#include "support/bench_postgres.hpp"
#include "support/ratio_report.hpp"
#include "support/screen_walks.hpp"

namespace {

using tavix::bench::CodeOfReading;
using tavix::bench::kLargeTable;
using tavix::bench::kSmallTable;
using tavix::bench::OnBothTableSizes;
using tavix::bench::PostgresReadings;
using tavix::bench::TableSize;
using tavix::store::Database;
using tavix::store::OpenDatabase;
using tavix::store::Recordset;
using tavix::store::Timestamp;
using Clock = std::chrono::steady_clock;

constexpr auto kWritingTime = std::chrono::seconds(20);

void StoreReading(Recordset& readings, int reading) {
    readings.AddNew();
    readings.SetField("code", CodeOfReading(reading));
    readings.SetField("qt", 1.0);
    readings.SetField("DateTime", Timestamp::Now());
    readings.SetField("terminal", "1");
    readings.Update();
}

// The floor: one INSERT with its parameters, committed on its own before the server answers,
// with raw libpq on a connection of its own.
class RawInsert {
  public:
    explicit RawInsert(const std::string& database)
        : connection_(PQconnectdb(tavix::bench::PostgresConnInfo(database).c_str())) {
        PQclear(PQexec(connection_, "SET synchronous_commit = on"));
    }
    ~RawInsert() { PQfinish(connection_); }
    RawInsert(const RawInsert&) = delete;
    RawInsert& operator=(const RawInsert&) = delete;

    void Store(int reading) {
        const std::string code = CodeOfReading(reading);
        const std::string now = Timestamp::Now().ToSqlText();
        const char* values[] = {code.c_str(), now.c_str()};
        PGresult* result = PQexecParams(connection_,
                                        "INSERT INTO readings (code, qt, terminal, datetime) "
                                        "VALUES ($1, 1.0, '1', $2)",
                                        2, nullptr, values, nullptr, nullptr, 0);
        const bool stored = PQresultStatus(result) == PGRES_COMMAND_OK;
        const std::string error = stored ? "" : PQresultErrorMessage(result);
        PQclear(result);
        if (!stored) {
            throw std::runtime_error(error);
        }
    }

  private:
    PGconn* connection_;
};

template <typename Store>
double MicrosecondsOf(Store store) {
    const auto start = Clock::now();
    store();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Each iteration stores one reading through the store and one with raw libpq, in turn first,
// into the same table: the server's log sync swings with the disk, and side by side both see
// the same. The counters are the mean time of each.
void BM_PerReading(benchmark::State& state) {
    const tavix::bench::PostgresDatabase target =
        tavix::bench::FreshPostgresReadings("per_reading");
    Database database = OpenDatabase(target.uri);
    Recordset readings = database.OpenRecordset("Readings");
    RawInsert raw(target.name);
    double store_total = 0, raw_total = 0;
    int reading = 0;
    for (auto _ : state) {
        const auto through_store = [&] { StoreReading(readings, ++reading); };
        const auto raw_insert = [&] { raw.Store(++reading); };
        if (reading % 4 == 0) {
            store_total += MicrosecondsOf(through_store);
            raw_total += MicrosecondsOf(raw_insert);
        } else {
            raw_total += MicrosecondsOf(raw_insert);
            store_total += MicrosecondsOf(through_store);
        }
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["store_us"] = store_total / iterations;
    state.counters["raw_us"] = raw_total / iterations;
}
BENCHMARK(BM_PerReading)->Unit(benchmark::kMicrosecond);

void BM_PostgresBrowserRight(benchmark::State& state) {
    tavix::bench::BrowserRight(state, PostgresReadings(TableSize(state)));
}

void BM_PostgresBrowserSeek(benchmark::State& state) {
    tavix::bench::BrowserSeek(state, PostgresReadings(TableSize(state)));
}

void BM_PostgresReadingsList(benchmark::State& state) {
    tavix::bench::ReadingsList(state, PostgresReadings(TableSize(state)));
}

BENCHMARK(BM_PostgresBrowserRight)->Apply(OnBothTableSizes);
BENCHMARK(BM_PostgresBrowserSeek)->Apply(OnBothTableSizes);
BENCHMARK(BM_PostgresReadingsList)->Apply(OnBothTableSizes);

// What one writer did: the time of each reading it stored, and the readings that failed (a
// lock waited for longer than the store's bounded wait, 5 s).
struct WriterReport {
    std::vector<std::uint32_t> microseconds;
    std::uint32_t failed = 0;
};

// In a child process: stores readings until the deadline, then writes its report on fd.
[[noreturn]] void Write(const std::string& store, int writer, Clock::time_point deadline, int fd) {
    WriterReport report;
    try {
        Database database = OpenDatabase(store);
        Recordset readings = database.OpenRecordset("Readings");
        for (int reading = 1; Clock::now() < deadline; ++reading) {
            const auto start = Clock::now();
            try {
                StoreReading(readings, writer * 1000000 + reading);
                report.microseconds.push_back(static_cast<std::uint32_t>(
                    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start)
                        .count()));
            } catch (const tavix::store::StoreError&) {
                ++report.failed;
            }
        }
    } catch (const tavix::store::StoreError&) {
        ++report.failed;
    }
    const std::uint32_t header[] = {static_cast<std::uint32_t>(report.microseconds.size()),
                                    report.failed};
    const bool written = ::write(fd, header, sizeof header) == sizeof header &&
                         ::write(fd, report.microseconds.data(), report.microseconds.size() * 4) ==
                             static_cast<ssize_t>(report.microseconds.size() * 4);
    ::_exit(written ? 0 : 1);
}

bool ReadAll(int fd, void* into, std::size_t size) {
    auto* next = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t count = ::read(fd, next, size);
        if (count <= 0) {
            return false;
        }
        next += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

// What a strict queue gives on this disk: each reading waits for the sessions' commits one after
// another, each as long as one drawn from a session's own when it stored alone. Its 99th
// percentile, against the measured one, tells the queue's hand-over from the disk's slow syncs,
// which a bound made of the mean commit does not.
double StrictQueueP99Ms(const std::vector<std::uint32_t>& alone, int sessions) {
    if (alone.empty()) {
        return 0;
    }
    std::mt19937 draw(20);
    std::uniform_int_distribution<std::size_t> any(0, alone.size() - 1);
    std::vector<std::uint64_t> waits(100000);
    for (std::uint64_t& wait : waits) {
        for (int ahead = 0; ahead < sessions; ++ahead) {
            wait += alone[any(draw)];
        }
    }
    std::nth_element(waits.begin(), waits.begin() + waits.size() * 99 / 100, waits.end());
    return static_cast<double>(waits[waits.size() * 99 / 100]) / 1000.0;
}

// state.range(0): 0 for the SQLite file, 1 for the server; state.range(1): the sessions.
void BM_ManyWriters(benchmark::State& state) {
    static std::vector<std::uint32_t> alone[2];  // each store's readings with one session
    const bool on_server = state.range(0) == 1;
    const int sessions = static_cast<int>(state.range(1));
    static int runs = 0;
    const std::string name = "writers_" + std::to_string(sessions) + "_" + std::to_string(++runs);
    std::string store;
    if (on_server) {
        store = tavix::bench::FreshPostgresReadings(name).uri;
    } else {
        store = tavix::bench::RunFile(name + ".mdb");
        tavix::store::CreateReadingsDatabase(store);
    }
    std::vector<std::uint32_t> times;
    std::uint64_t failed = 0;
    std::uint32_t fewest = UINT32_MAX;  // readings of the writer that stored the fewest
    for (auto _ : state) {
        const auto deadline = Clock::now() + kWritingTime;
        std::vector<std::pair<pid_t, int>> writers;
        for (int writer = 0; writer < sessions; ++writer) {
            int pipe_fds[2];
            if (::pipe(pipe_fds) != 0) {
                throw std::runtime_error("pipe");
            }
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(pipe_fds[0]);
                Write(store, writer, deadline, pipe_fds[1]);
            }
            ::close(pipe_fds[1]);
            writers.emplace_back(child, pipe_fds[0]);
        }
        for (const auto& [child, fd] : writers) {
            std::uint32_t header[2] = {0, 0};
            if (ReadAll(fd, header, sizeof header)) {
                const std::size_t before = times.size();
                times.resize(before + header[0]);
                ReadAll(fd, times.data() + before, header[0] * 4);
                failed += header[1];
                fewest = std::min(fewest, header[0]);
            } else {
                failed += 1;
                fewest = 0;
            }
            ::close(fd);
            int status = 0;
            ::waitpid(child, &status, 0);
        }
    }
    std::sort(times.begin(), times.end());
    if (sessions == 1) {
        alone[on_server ? 1 : 0] = times;
    }
    state.counters["strict_queue_p99_ms"] = StrictQueueP99Ms(alone[on_server ? 1 : 0], sessions);
    const double seconds = std::chrono::duration<double>(kWritingTime).count() *
                           static_cast<double>(state.iterations());
    state.counters["readings_per_s"] = static_cast<double>(times.size()) / seconds;
    state.counters["p99_ms"] = times.empty() ? 0 : times[times.size() * 99 / 100] / 1000.0;
    state.counters["median_ms"] = times.empty() ? 0 : times[times.size() / 2] / 1000.0;
    state.counters["max_ms"] = times.empty() ? 0 : times.back() / 1000.0;
    // A writer kept waiting while others store: its share shows what a percentile of all the
    // readings hides.
    state.counters["fewest_per_s"] = static_cast<double>(fewest) / seconds;
    state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(BM_ManyWriters)
    ->ArgNames({"server", "sessions"})
    ->ArgsProduct({{0, 1}, {1, 8, 32, 64}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The server's work is in its own processes: real time, not this process's CPU time.
tavix::bench::Ratio Growth(const std::string& title, const std::string& benchmark) {
    return {title + " on the server, 1M / 1k readings (real)",
            {benchmark + "/readings:" + std::to_string(kLargeTable), tavix::bench::kRealTime},
            {benchmark + "/readings:" + std::to_string(kSmallTable), tavix::bench::kRealTime},
            2.0};
}

}  // namespace

int main(int argc, char** argv) {
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            {"Per reading on the server: AddNew+Update / raw libpq insert",
             {"BM_PerReading", "store_us"},
             {"BM_PerReading", "raw_us"},
             1.2},
            Growth("Right in the archive browser", "BM_PostgresBrowserRight"),
            Growth("Search by code (F3) in the browser", "BM_PostgresBrowserSeek"),
            Growth("Readings list (F5)", "BM_PostgresReadingsList"),
        });
}
