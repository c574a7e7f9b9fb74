#pragma once

#include <string>
#include <vector>

namespace tavix::testing {

// The readings table of a database file, written and read through SqliteFile: what another
// program put there before the program started, and what the program left there.

// A reading put into a database file.
struct SeedReading {
    std::string code;
    double qt = 0;
    std::string terminal;
    std::string date_time;  // "YYYY-MM-DD HH:MM:SS"
};

// Appends the readings, in order, to the readings table of an existing database file.
// Throws when a reading cannot be stored.
void SeedReadings(const std::string& database_path, const std::vector<SeedReading>& readings);

// One row of the readings table as the sqlite3 tool would show it.
struct StoredReading {
    std::string code;
    std::string qt;             // as SQLite prints it: "2.5", "7.0"
    std::string terminal;       // as SQLite prints it
    std::string terminal_type;  // "text", "integer", "real", "null"
    std::string date_time;

    // qt as a number; 0 for NULL, as SQLite reads it.
    double Quantity() const { return qt.empty() ? 0 : std::stod(qt); }
};

// Every reading in the order stored; throws when the file cannot be read.
std::vector<StoredReading> StoredReadings(const std::string& database_path);

// A file as another program finds it after the program: opened read-write, so a WAL left by a
// crash is recovered as the program itself would, checked and read.
struct FileState {
    bool opened = false;    // opened and read without a failure
    std::string integrity;  // what PRAGMA integrity_check said, rows joined by "; "
    std::vector<StoredReading> readings;
};

FileState ReadDatabase(const std::string& database_path);

}  // namespace tavix::testing
