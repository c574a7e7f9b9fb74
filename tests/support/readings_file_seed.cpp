#include "support/readings_file_seed.hpp"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace tavix::testing {

namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

}  // namespace

void SeedReadings(const std::string& database_path, const std::vector<SeedReading>& readings) {
    sqlite3* raw_db = nullptr;
    const int opened =
        sqlite3_open_v2(database_path.c_str(), &raw_db, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, CloseDatabase> db(raw_db);
    if (opened != SQLITE_OK) {
        throw std::runtime_error("test cannot open " + database_path);
    }
    sqlite3_stmt* raw_statement = nullptr;
    sqlite3_prepare_v2(db.get(),
                       "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES (?, ?, ?, ?)",
                       -1, &raw_statement, nullptr);
    const std::unique_ptr<sqlite3_stmt, FinalizeStatement> statement(raw_statement);
    for (const SeedReading& reading : readings) {
        sqlite3_reset(statement.get());
        sqlite3_bind_text(statement.get(), 1, reading.code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(statement.get(), 2, reading.qt);
        sqlite3_bind_text(statement.get(), 3, reading.terminal.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement.get(), 4, reading.date_time.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            throw std::runtime_error("test cannot store the reading " + reading.code + ": " +
                                     sqlite3_errmsg(db.get()));
        }
    }
}

}  // namespace tavix::testing
