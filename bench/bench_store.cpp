// The readings store against its physical floor and against growth:
// - AddNew+Update per reading next to the same durable insert made with raw SQLite calls
//   (WAL, synchronous FULL, one transaction per row): both pay one sync per reading;
// - MoveNext, MovePrevious and Seek on 1,000 and on 1,000,000 readings: the ratio shows how
//   a step grows with the table (a B-tree seek: logarithmically);
// - stepping through 10,000 readings that share one code, in code order, next to the one-query
//   row-value form that the store avoids.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/database.hpp"
#include "store/recordset.hpp"

namespace {

using tavix::store::CreateReadingsDatabase;
using tavix::store::Database;
using tavix::store::OpenDatabase;
using tavix::store::Recordset;
using tavix::store::Timestamp;

constexpr int kCodes = 100000;
constexpr int kSharedCodeEvery = 100;  // every 100th reading has the one shared code
constexpr const char* kSharedCode = "SHARED";

// A folder for the benchmark's files, removed at exit. On the disk, not in memory, so that
// syncs cost what they cost.
class BenchFolder {
  public:
    BenchFolder() {
        std::string pattern = (std::filesystem::current_path() / "bench-store-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create " + pattern);
        }
        path_ = pattern;
    }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

BenchFolder& Folder() {
    static BenchFolder folder;
    return folder;
}

std::string CodeOf(int reading) {
    if (reading % kSharedCodeEvery == 0) {
        return kSharedCode;
    }
    char code[16];
    std::snprintf(code, sizeof code, "C%06d", static_cast<int>((reading * 7919LL) % kCodes));
    return code;
}

void Check(int result, sqlite3* db) {
    if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

// Fills a new readings file quickly: one transaction, no syncs. Built once per size.
const std::string& ReadingsFile(int readings) {
    static std::map<int, std::string> files;
    auto found = files.find(readings);
    if (found != files.end()) {
        return found->second;
    }
    const std::string path = Folder().File("readings-" + std::to_string(readings) + ".mdb");
    CreateReadingsDatabase(path);
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_exec(db, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "INSERT INTO Readings (code, qt, terminal, DateTime) "
                             "VALUES (?1, 1.0, '1', '2026-12-06 07:05:09')",
                             -1, &insert, nullptr),
          db);
    for (int reading = 1; reading <= readings; ++reading) {
        const std::string code = CodeOf(reading);
        sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
        Check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
    return files.emplace(readings, path).first->second;
}

std::string FreshFile(const std::string& name) {
    const std::string path = Folder().File(name);
    std::filesystem::remove(path);
    CreateReadingsDatabase(path);
    return path;
}

void BM_AddNewUpdate(benchmark::State& state) {
    Database database = OpenDatabase(FreshFile("add-new.mdb"));
    Recordset readings = database.OpenRecordset("Readings");
    int reading = 0;
    for (auto _ : state) {
        readings.AddNew();
        readings.SetField("code", CodeOf(++reading));
        readings.SetField("qt", 1.0);
        readings.SetField("DateTime", Timestamp::Now());
        readings.SetField("terminal", "1");
        readings.Update();
    }
}
BENCHMARK(BM_AddNewUpdate)->Unit(benchmark::kMicrosecond);

void BM_RawSqliteDurableInsert(benchmark::State& state) {
    const std::string path = FreshFile("raw-insert.mdb");
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    Check(sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", nullptr, nullptr,
                       nullptr),
          db);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "INSERT INTO Readings (code, qt, terminal, DateTime) "
                             "VALUES (?1, 1.0, '1', ?2)",
                             -1, &insert, nullptr),
          db);
    int reading = 0;
    for (auto _ : state) {
        const std::string code = CodeOf(++reading);
        const std::string now = Timestamp::Now().ToSqlText();
        Check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
        sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, now.c_str(), -1, SQLITE_TRANSIENT);
        Check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
        Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}
BENCHMARK(BM_RawSqliteDurableInsert)->Unit(benchmark::kMicrosecond);

// state.range(0): readings in the file; state.range(1): 1 for code order, 0 for table order.
Recordset OpenReadings(Database& database, const benchmark::State& state) {
    Recordset readings = database.OpenRecordset("Readings");
    if (state.range(1) == 1) {
        readings.SetIndex("Code");
    }
    return readings;
}

void BM_MoveNext(benchmark::State& state) {
    Database database = OpenDatabase(ReadingsFile(static_cast<int>(state.range(0))));
    Recordset readings = OpenReadings(database, state);
    readings.MoveFirst();
    for (auto _ : state) {
        readings.MoveNext();
        if (readings.Eof()) {
            readings.MoveFirst();
        }
    }
}

void BM_MovePrevious(benchmark::State& state) {
    Database database = OpenDatabase(ReadingsFile(static_cast<int>(state.range(0))));
    Recordset readings = OpenReadings(database, state);
    readings.MoveLast();
    for (auto _ : state) {
        readings.MovePrevious();
        if (readings.Bof()) {
            readings.MoveLast();
        }
    }
}

void BM_Seek(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Database database = OpenDatabase(ReadingsFile(count));
    Recordset readings = database.OpenRecordset("Readings");
    readings.SetIndex("Code");
    std::vector<std::string> keys;
    for (int i = 1; i <= 997; ++i) {
        keys.push_back(CodeOf(1 + (i * 104729) % count));  // codes that are in the file
    }
    std::size_t next = 0;
    for (auto _ : state) {
        readings.Seek("=", keys[next]);
        next = (next + 1) % keys.size();
    }
    if (readings.NoMatch()) {
        state.SkipWithError("a seek found nothing");
    }
}

void BothSizesBothOrders(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"readings", "code_order"})->Unit(benchmark::kMicrosecond);
    for (const int readings : {1000, 1000000}) {
        benchmark->Args({readings, 0})->Args({readings, 1});
    }
}
BENCHMARK(BM_MoveNext)->Apply(BothSizesBothOrders);
BENCHMARK(BM_MovePrevious)->Apply(BothSizesBothOrders);
BENCHMARK(BM_Seek)->ArgName("readings")->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Steps among the readings of the shared code only (10 in the small file, 10,000 in the big).
void BM_MoveNextWithinOneCode(benchmark::State& state) {
    Database database = OpenDatabase(ReadingsFile(static_cast<int>(state.range(0))));
    Recordset readings = database.OpenRecordset("Readings");
    readings.SetIndex("Code");
    readings.Seek("=", kSharedCode);
    for (auto _ : state) {
        readings.MoveNext();
        if (readings.Eof() || readings.Fields("code") != tavix::store::Value(kSharedCode)) {
            readings.Seek("=", kSharedCode);
        }
    }
}
BENCHMARK(BM_MoveNextWithinOneCode)
    ->ArgName("readings")
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

// The same steps with the single row-value query "(code, id) > (?, ?)", which SQLite 3.40
// seeks on code alone and then walks: the reason the store uses two queries.
void BM_RowValueNextWithinOneCode(benchmark::State& state) {
    sqlite3* db = nullptr;
    const std::string& path = ReadingsFile(static_cast<int>(state.range(0)));
    Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    sqlite3_stmt* next = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "SELECT rowid, code FROM Readings WHERE (code, rowid) > (?1, ?2) "
                             "ORDER BY code, rowid LIMIT 1",
                             -1, &next, nullptr),
          db);
    sqlite3_int64 rowid = 0;
    for (auto _ : state) {
        sqlite3_bind_text(next, 1, kSharedCode, -1, SQLITE_STATIC);
        sqlite3_bind_int64(next, 2, rowid);
        const bool found =
            sqlite3_step(next) == SQLITE_ROW &&
            std::string(reinterpret_cast<const char*>(sqlite3_column_text(next, 1))) == kSharedCode;
        rowid = found ? sqlite3_column_int64(next, 0) : 0;
        sqlite3_reset(next);
    }
    sqlite3_finalize(next);
    sqlite3_close(db);
}
BENCHMARK(BM_RowValueNextWithinOneCode)
    ->ArgName("readings")
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
