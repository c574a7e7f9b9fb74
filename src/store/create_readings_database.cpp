#include <unistd.h>

#include "connection_settings.hpp"
#include "database.hpp"
#include "database_file.hpp"
#include "database_target.hpp"
#include "postgres_readings_schema.hpp"
#include "sqlite_connection.hpp"

namespace tavix::store {

namespace {

// AUTOINCREMENT so that a rowid is never reused: a bookmark of a deleted reading can never
// silently name a newer one. terminal has no declared type, so each value keeps the type it
// was written with ("007" stays a text, 3.0 a number).
constexpr const char* kReadingsSchema = R"sql(
BEGIN IMMEDIATE;
CREATE TABLE Readings (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    code TEXT,
    qt REAL,
    terminal,
    DateTime DATETIME
);
CREATE INDEX Code ON Readings (code);
COMMIT;
)sql";

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

void WriteSchema(const std::string& path) {
    Connection connection(path, kDefaultBusyTimeout, Connection::Expect::kNewFile);
    connection.Attach("create the database");
    SwitchToWal(connection);
    UseFullSync(connection);
    connection.Execute(kReadingsSchema, "create the Readings table");
}

}  // namespace

void CreateReadingsDatabase(const std::string& target) {
    if (IsPostgresTarget(target)) {
        CreatePostgresReadings(target);
        return;
    }
    const std::string& path = target;
    const bool had_shared_memory = Exists(SharedMemoryPath(path));
    CreateEmptyFile(path);
    try {
        WriteSchema(path);
    } catch (...) {
        // Only what this call created goes: the checks above made sure the WAL was not there.
        ::unlink(WalPath(path).c_str());
        if (!had_shared_memory) {
            ::unlink(SharedMemoryPath(path).c_str());
        }
        ::unlink(path.c_str());
        throw;
    }
}

}  // namespace tavix::store
