#pragma once

#include <string>
#include <vector>

namespace tavix::testing {

// A reading put into a database file before the program starts.
struct SeedReading {
    std::string code;
    double qt = 0;
    std::string terminal;
    std::string date_time;  // "YYYY-MM-DD HH:MM:SS"
};

// Appends the readings, in order, to the Readings table of an existing database file,
// through a connection of its own. Throws when a reading cannot be stored.
void SeedReadings(const std::string& database_path, const std::vector<SeedReading>& readings);

}  // namespace tavix::testing
