#include "store/sqlite/readings_sink.hpp"

#include <sqlite3.h>

#include <cmath>

#include "store/database.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/database_file.hpp"
#include "store/sqlite/errors.hpp"
#include "store/sqlite/readings_source.hpp"
#include "store/sqlite/row_cursor.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kWriteAction = "store the copied readings";
constexpr const char* kColumns[] = {"code", "qt", "terminal", "DateTime"};

}  // namespace

ReadingsSink::ReadingsSink(std::string path) : path_(std::move(path)) {
    CheckDatabaseFileKind(path_);
    try {
        Open();
    } catch (...) {
        sqlite3_finalize(insert_);
        sqlite3_close(db_);
        throw;
    }
}

ReadingsSink::~ReadingsSink() {
    sqlite3_finalize(insert_);
    if (!committed_) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db_);
}

void ReadingsSink::Open() {
    // No SQLITE_OPEN_CREATE: a copy never makes a database of a path that holds none.
    Check(sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr), kOpenAction);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(kDefaultBusyTimeout.count()));
    CheckDatabaseHeader(path_, db_);
    Execute("PRAGMA synchronous = FULL", kOpenAction);
    // The write lock first, so that the emptiness seen below holds until the commit.
    Execute("BEGIN IMMEDIATE", kOpenAction);
    const std::vector<std::string> problems = SchemaProblems(db_, path_);
    if (!problems.empty()) {
        RefuseUninitialisedStore(path_, problems);
    }
    if (const std::int64_t readings = ReadingsHeld(); readings > 0) {
        RefuseStoreWithReadings(path_, readings);
    }
    Check(sqlite3_prepare_v2(db_,
                             "INSERT INTO Readings (code, qt, terminal, DateTime) "
                             "VALUES (?1, ?2, ?3, ?4)",
                             -1, &insert_, nullptr),
          kOpenAction);
}

void ReadingsSink::Execute(const char* sql, std::string_view action) {
    Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), action);
}

std::int64_t ReadingsSink::ReadingsHeld() {
    RowCursor count(db_, path_, "SELECT count(*) FROM Readings", kOpenAction);
    count.Next();
    return count.Fields()[0].integer;
}

std::vector<std::string> ReadingsSink::Append(std::span<const StoredField> reading) {
    std::vector<std::string> changes;
    for (int index = 1; index <= 4; ++index) {
        std::string change =
            BindField(index, reading[static_cast<std::size_t>(index - 1)], kColumns[index - 1]);
        if (!change.empty()) {
            changes.push_back(std::move(change));
        }
    }
    const int result = sqlite3_step(insert_);
    sqlite3_reset(insert_);
    if (result != SQLITE_DONE) {
        FailOnSqlite(path_, kWriteAction, db_, result);
    }
    return changes;
}

std::string ReadingsSink::BindField(int index, const StoredField& field, std::string_view column) {
    switch (field.kind) {
        case StoredField::Kind::kNull:
            Check(sqlite3_bind_null(insert_, index), kWriteAction);
            return {};
        case StoredField::Kind::kInteger:
            Check(sqlite3_bind_int64(insert_, index, field.integer), kWriteAction);
            return {};
        case StoredField::Kind::kReal:
            if (std::isnan(field.real)) {
                // SQLite would store NULL for it anyway; said, not silent.
                Check(sqlite3_bind_null(insert_, index), kWriteAction);
                return std::string(column) +
                       " NaN is not a number SQLite can store: stored as NULL";
            }
            Check(sqlite3_bind_double(insert_, index, field.real), kWriteAction);
            return {};
        case StoredField::Kind::kText:
            Check(sqlite3_bind_text64(insert_, index, field.text.data(), field.text.size(),
                                      SQLITE_TRANSIENT, SQLITE_UTF8),
                  kWriteAction);
            return {};
    }
    return {};
}

void ReadingsSink::Commit() {
    Execute("COMMIT", "commit the copied readings");
    committed_ = true;
}

void ReadingsSink::Check(int result, std::string_view action) {
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action, db_, result);
    }
}

}  // namespace tavix::store::sqlite
