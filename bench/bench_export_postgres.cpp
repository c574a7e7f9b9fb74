// tavix-admin on PostgreSQL, on a throw-away server of the benchmark's own (the tests' server
// code: a Unix socket in a temporary folder, no TCP port).
//
// ExportCsvPostgres: at 1,000 and 1,000,000 readings, each iteration runs `tavix-admin export
// URI` and psql's COPY of the same rows as CSV one after the other (the order alternating),
// both writing to /dev/null, and times each. The kernel's count of each child's largest
// resident set is its peak memory: the export's must not grow with the readings.
//
// CopyIntoPostgres: `tavix-admin copy FILE URI` of a 1,000 and a 1,000,000-reading file into
// the emptied table, timed, with its peak memory and its own CPU time (the rest of the time is
// the server's).

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "support/bench_files.hpp"
#include "support/child_program.hpp"
#include "support/postgres/postgres_server.hpp"
#include "support/postgres/server_binaries.hpp"
#include "support/ratio_report.hpp"

namespace {

using tavix::bench::ChildEnded;
using tavix::bench::RunChild;
using tavix::store::postgres::Connection;

constexpr int kSmall = 1000;
constexpr int kLarge = 1000000;

// The server, started at first use, and a database per purpose on it.
class BenchServer {
  public:
    static BenchServer& Get() {
        static BenchServer server;
        return server;
    }

    // A database whose readings table holds `count` readings like those of the bench's files.
    const std::string& DatabaseOf(int count) {
        const std::string name = "readings_" + std::to_string(count);
        auto [it, added] = uris_.try_emplace(name);
        if (added) {
            Create(name);
            Connection(server_.ConnInfo(name), kLongWaits)
                .Execute(
                    "INSERT INTO readings (code, qt, terminal, datetime) "
                    "SELECT 'C' || i, i, '1', '2024-05-01 10:00:00' "
                    "FROM generate_series(1, " +
                        std::to_string(count) + ") AS i",
                    "fill the table");
            it->second = server_.Uri(name);
        }
        return it->second;
    }

    // A database with an empty readings table, emptied again at every call.
    std::string EmptyDatabase() {
        const std::string name = "copy_target";
        if (uris_.count(name) == 0) {
            Create(name);
            uris_[name] = server_.Uri(name);
        }
        Connection(server_.ConnInfo(name), kLongWaits)
            .Execute("TRUNCATE readings RESTART IDENTITY", "empty the table");
        return uris_[name];
    }

    std::string Psql() const {
        return (tavix::testing::FindServerBinaries().initdb.parent_path() / "psql").string();
    }

  private:
    static constexpr tavix::store::postgres::Timeouts kLongWaits{
        std::chrono::seconds(5), std::chrono::seconds(600), std::chrono::seconds(1)};

    void Create(const std::string& name) {
        Connection(server_.ConnInfo("postgres")).ExecuteAlone("CREATE DATABASE " + name, "create");
        tavix::store::CreateReadingsDatabase(server_.Uri(name));
    }

    tavix::testing::PostgresServer server_;
    std::map<std::string, std::string> uris_;
};

void BM_ExportCsvPostgres(benchmark::State& state) {
    try {
        BenchServer& server = BenchServer::Get();
        const std::string& uri = server.DatabaseOf(static_cast<int>(state.range(0)));
        const std::vector<std::string> admin = {TAVIX_ADMIN_BINARY, "export", uri};
        const std::vector<std::string> psql = {
            server.Psql(), uri, "-c",
            "COPY (SELECT id, code, qt, terminal, datetime FROM readings ORDER BY id) TO STDOUT "
            "WITH (FORMAT csv, HEADER)"};
        double admin_seconds = 0;
        double psql_seconds = 0;
        double admin_peak = 0;
        bool admin_first = true;
        for (auto _ : state) {
            const ChildEnded first = RunChild(admin_first ? admin : psql);
            const ChildEnded second = RunChild(admin_first ? psql : admin);
            const ChildEnded& by_admin = admin_first ? first : second;
            admin_seconds += by_admin.seconds;
            psql_seconds += (admin_first ? second : first).seconds;
            admin_peak = std::max(admin_peak, by_admin.peak_rss_mib);
            state.SetIterationTime(by_admin.seconds);
            admin_first = !admin_first;
        }
        using benchmark::Counter;
        state.counters["admin_s"] = Counter(admin_seconds, Counter::kAvgIterations);
        state.counters["psql_copy_s"] = Counter(psql_seconds, Counter::kAvgIterations);
        state.counters["admin_peak_MiB"] = admin_peak;
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_ExportCsvPostgres)
    ->ArgName("readings")
    ->Arg(kSmall)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsvPostgres)
    ->ArgName("readings")
    ->Arg(kLarge)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_CopyIntoPostgres(benchmark::State& state) {
    try {
        const std::string& file = tavix::bench::ReadingsFile(static_cast<int>(state.range(0)));
        double peak = 0;
        double cpu_seconds = 0;
        for (auto _ : state) {
            const std::string target = BenchServer::Get().EmptyDatabase();
            const ChildEnded copied = RunChild({TAVIX_ADMIN_BINARY, "copy", file, target});
            state.SetIterationTime(copied.seconds);
            peak = std::max(peak, copied.peak_rss_mib);
            cpu_seconds += copied.cpu_seconds;
        }
        using benchmark::Counter;
        state.counters["admin_peak_MiB"] = peak;
        state.counters["admin_cpu_s"] = Counter(cpu_seconds, Counter::kAvgIterations);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}
BENCHMARK(BM_CopyIntoPostgres)
    ->ArgName("readings")
    ->Arg(kSmall)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyIntoPostgres)
    ->ArgName("readings")
    ->Arg(kLarge)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const auto named = [](const std::string& benchmark, int readings) {
        std::string name = benchmark + "/readings:" + std::to_string(readings);
        if (benchmark == "BM_ExportCsvPostgres" && readings == kLarge) {
            name += "/iterations:3";
        }
        if (benchmark == "BM_CopyIntoPostgres") {
            name += readings == kLarge ? "/iterations:2" : "/iterations:5";
        }
        return name + "/manual_time";
    };
    const std::string exported = "BM_ExportCsvPostgres";
    const std::string copied = "BM_CopyIntoPostgres";
    using tavix::bench::Ratio;
    return tavix::bench::RunBenchmarksWithRatios(
        argc, argv,
        {
            Ratio{"CSV export of 1M readings from PostgreSQL, tavix-admin / psql COPY",
                  {named(exported, kLarge), "admin_s"},
                  {named(exported, kLarge), "psql_copy_s"}},
            Ratio{"Peak resident memory of the PostgreSQL export, 1M / 1k readings",
                  {named(exported, kLarge), "admin_peak_MiB"},
                  {named(exported, kSmall), "admin_peak_MiB"},
                  1.5},
            Ratio{"Peak resident memory of a copy into PostgreSQL, 1M / 1k readings",
                  {named(copied, kLarge), "admin_peak_MiB"},
                  {named(copied, kSmall), "admin_peak_MiB"},
                  1.5},
        });
}
