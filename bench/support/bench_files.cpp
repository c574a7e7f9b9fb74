#include "bench_files.hpp"

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "store/database.hpp"

namespace tavix::bench {

namespace fs = std::filesystem;

namespace {

// Bumped whenever what ReadingsFile puts in a file changes, so an old file is not reused.
constexpr int kReadingsFileVersion = 1;
constexpr int kCodes = 100000;

class RunFolder {
  public:
    RunFolder() {
        std::string pattern = (fs::path(ProgramsFolder()) / "bench-run-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create " + pattern);
        }
        path_ = pattern;
    }
    ~RunFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

RunFolder& TheRunFolder() {
    static RunFolder folder;
    return folder;
}

class Connection {
  public:
    explicit Connection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string message = sqlite3_errmsg(db_);
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path + ": " + message);
        }
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Execute(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db_));
        }
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db_));
        }
        return statement;
    }
    const char* Error() const { return sqlite3_errmsg(db_); }

  private:
    sqlite3* db_ = nullptr;
};

// True when the file at path holds exactly the readings 1..count.
bool HoldsReadings(const std::string& path, int count) {
    if (!fs::exists(path)) {
        return false;
    }
    try {
        Connection db(path);
        sqlite3_stmt* query = db.Prepare("SELECT count(*), min(qt), max(qt) FROM Readings");
        const bool holds =
            sqlite3_step(query) == SQLITE_ROW && sqlite3_column_int64(query, 0) == count &&
            sqlite3_column_int64(query, 1) == 1 && sqlite3_column_int64(query, 2) == count;
        sqlite3_finalize(query);
        return holds;
    } catch (const std::runtime_error&) {
        return false;
    }
}

void BuildReadingsFile(const std::string& path, int count) {
    tavix::store::CreateReadingsDatabase(path);
    Connection db(path);
    db.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
    sqlite3_stmt* insert = db.Prepare(
        "INSERT INTO Readings (code, qt, terminal, DateTime) "
        "VALUES (?1, ?2, '1', '2026-12-06 07:05:09')");
    for (int reading = 1; reading <= count; ++reading) {
        const std::string code = CodeOfReading(reading);
        sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, reading);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            const std::string message = db.Error();
            sqlite3_finalize(insert);
            throw std::runtime_error("cannot fill " + path + ": " + message);
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    // The program keeps its file in WAL mode; a file that is already so is not rewritten
    // when a benchmark opens it.
    db.Execute("COMMIT; PRAGMA journal_mode = WAL");
}

}  // namespace

const std::string& ProgramsFolder() {
    static const std::string folder = fs::read_symlink("/proc/self/exe").parent_path().string();
    return folder;
}

std::string RunFile(const std::string& name) {
    return (TheRunFolder().Path() / name).string();
}

std::string CodeOfReading(int reading) {
    char code[16];
    std::snprintf(code, sizeof code, "C%06d", static_cast<int>((reading * 7919LL) % kCodes));
    return code;
}

const std::string& ReadingsFile(int count) {
    static std::map<int, std::string> files;
    const auto known = files.find(count);
    if (known != files.end()) {
        return known->second;
    }
    const fs::path folder = fs::path(ProgramsFolder()) / "bench-data";
    fs::create_directories(folder);
    const std::string name =
        "readings-" + std::to_string(count) + "-v" + std::to_string(kReadingsFileVersion) + ".mdb";
    const std::string path = (folder / name).string();
    if (!HoldsReadings(path, count)) {
        // Named for this process, so that two benchmark programs never fill the same file.
        const std::string building = path + ".building-" + std::to_string(::getpid());
        fs::remove(building);
        BuildReadingsFile(building, count);
        fs::rename(building, path);
    }
    return files.emplace(count, path).first->second;
}

std::string InstallProgram(const std::string& name, const std::string& readings) {
    const fs::path folder = RunFile(name);
    fs::create_directories(folder);
    const fs::path program = folder / "tavix";
    fs::copy_file(TAVIX_BINARY, program, fs::copy_options::overwrite_existing);
    const fs::path database = folder / "tavix.mdb";
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::remove(database.string() + suffix);
    }
    if (readings.empty()) {
        tavix::store::CreateReadingsDatabase(database.string());
    } else {
        fs::copy_file(readings, database);
    }
    return program.string();
}

}  // namespace tavix::bench
