#include "raw_readings.hpp"

#include <filesystem>
#include <stdexcept>

#include "store/database.hpp"
#include "store/timestamp.hpp"

namespace tavix::bench {

RawReadings::RawReadings(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL");
}

RawReadings::~RawReadings() {
    sqlite3_finalize(insert_);
    sqlite3_close(db_);
}

std::string RawReadings::CreateFloorFile(const std::string& path) {
    std::filesystem::remove(path);
    store::CreateReadingsDatabase(path);
    return path;
}

void RawReadings::Execute(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db_));
    }
}

long long RawReadings::Count() {
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db_, "SELECT count(*) FROM Readings", -1, &count, nullptr);
    const long long rows = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : -1;
    sqlite3_finalize(count);
    return rows;
}

void RawReadings::InsertDurably(const std::string& code) {
    if (insert_ == nullptr && sqlite3_prepare_v2(db_,
                                                 "INSERT INTO Readings (code, qt, DateTime, "
                                                 "terminal) VALUES (?1, 1.0, ?2, '1')",
                                                 -1, &insert_, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db_));
    }
    const std::string now = store::Timestamp::Now().ToSqlText();
    Execute("BEGIN IMMEDIATE");
    sqlite3_bind_text(insert_, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert_, 2, now.c_str(), -1, SQLITE_TRANSIENT);
    const int stepped = sqlite3_step(insert_);
    sqlite3_reset(insert_);
    if (stepped != SQLITE_DONE) {
        throw std::runtime_error(sqlite3_errmsg(db_));
    }
    Execute("COMMIT");
}

}  // namespace tavix::bench
