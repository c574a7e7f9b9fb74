#include "support/readings_in_file.hpp"

#include <chrono>
#include <stdexcept>

#include "store/readings_table.hpp"
#include "support/sqlite_file.hpp"

namespace tavix::testing {

namespace {

namespace table = store::readings_table;

// Long enough for a program that holds the file a moment, such as one storing a reading.
constexpr std::chrono::milliseconds kBusyTimeout(5000);

std::vector<StoredReading> ReadingsIn(SqliteFile& file) {
    const std::string terminal = table::kTerminal;
    const auto rows = file.Rows(std::string("SELECT ") + table::kCode + ", " + table::kQuantity +
                                ", " + terminal + ", typeof(" + terminal + "), " +
                                table::kDateTime + " FROM " + table::kTable + " ORDER BY rowid");
    std::vector<StoredReading> readings;
    for (const auto& row : rows) {
        readings.push_back(StoredReading{row[0], row[1], row[2], row[3], row[4]});
    }
    return readings;
}

}  // namespace

void SeedReadings(const std::string& database_path, const std::vector<SeedReading>& readings) {
    SqliteFile file(database_path, SqliteFile::Open::kReadWrite, kBusyTimeout);
    const std::string insert = std::string("INSERT INTO ") + table::kTable + " (" + table::kCode +
                               ", " + table::kQuantity + ", " + table::kTerminal + ", " +
                               table::kDateTime + ") VALUES (?1, ?2, ?3, ?4)";
    for (const SeedReading& reading : readings) {
        file.Run(insert, {reading.code, reading.qt, reading.terminal, reading.date_time});
    }
}

std::vector<StoredReading> StoredReadings(const std::string& database_path) {
    SqliteFile file(database_path, SqliteFile::Open::kReadWrite, kBusyTimeout);
    return ReadingsIn(file);
}

FileState ReadDatabase(const std::string& database_path) {
    FileState state;
    try {
        SqliteFile file(database_path, SqliteFile::Open::kReadWrite, kBusyTimeout);
        for (const auto& row : file.Rows("PRAGMA integrity_check")) {
            state.integrity += (state.integrity.empty() ? "" : "; ") + row.front();
        }
        state.readings = ReadingsIn(file);
        state.opened = true;
    } catch (const std::runtime_error&) {
        // Not opened, or not read: the caller sees it in `opened`.
    }
    return state;
}

}  // namespace tavix::testing
