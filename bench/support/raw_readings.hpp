#pragma once

#include <sqlite3.h>

#include <string>

namespace tavix::bench {

// A readings file reached with raw SQLite calls: the floor that storing a reading through the
// program is measured against. The insert is the program's durable one without the program:
// WAL, synchronous FULL, one transaction per reading, one sync each.
class RawReadings {
  public:
    // Opens an existing readings file.
    explicit RawReadings(const std::string& path);
    ~RawReadings();
    RawReadings(const RawReadings&) = delete;
    RawReadings& operator=(const RawReadings&) = delete;

    // A new readings file at `path` (any old one removed), ready for durable inserts.
    static std::string CreateFloorFile(const std::string& path);

    void Execute(const char* sql);
    long long Count();
    // One reading as the program stores it, in a transaction of its own.
    void InsertDurably(const std::string& code);

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

}  // namespace tavix::bench
