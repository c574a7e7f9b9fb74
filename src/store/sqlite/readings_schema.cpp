#include "store/sqlite/readings_schema.hpp"

#include <unistd.h>

#include <string>

#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/database_file.hpp"

namespace tavix::store::sqlite {

namespace {

// AUTOINCREMENT so that a rowid is never reused: a bookmark of a deleted reading can never
// silently name a newer one. terminal has no declared type, so each value keeps the type it
// was written with ("007" stays a text, 3.0 a number).
std::string ReadingsSchema() {
    namespace table = readings_table;
    std::string sql = "BEGIN IMMEDIATE;\n";
    sql += std::string("CREATE TABLE ") + table::kTable + " (\n";
    sql += std::string("    ") + table::kId + " INTEGER PRIMARY KEY AUTOINCREMENT,\n";
    sql += std::string("    ") + table::kCode + " TEXT,\n";
    sql += std::string("    ") + table::kQuantity + " REAL,\n";
    sql += std::string("    ") + table::kTerminal + ",\n";
    sql += std::string("    ") + table::kDateTime + " DATETIME\n";
    sql += ");\n";
    sql += std::string("CREATE INDEX ") + table::kCodeIndex + " ON " + table::kTable + " (" +
           table::kCode + ");\n";
    sql += "COMMIT;\n";
    return sql;
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

void WriteSchema(const std::string& path) {
    Connection connection(path, kDefaultBusyTimeout, Connection::Expect::kNewFile);
    connection.Attach("create the database");
    SwitchToWal(connection);
    UseFullSync(connection);
    connection.Execute(ReadingsSchema(),
                       std::string("create the ") + readings_table::kTable + " table");
}

}  // namespace

void CreateReadingsFile(const std::string& path) {
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

}  // namespace tavix::store::sqlite
