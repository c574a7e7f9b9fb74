#include <thread>
#include <vector>

#include "readings_server.hpp"

namespace tavix::store {
namespace {

using ConcurrentSessionsTest = ReadingsOnServer;

// Terminals storing readings at the same time, each its own session: every reading is stored,
// once.
TEST_F(ConcurrentSessionsTest, ReadingsFromManySessionsAtOnceAreAllStoredOnce) {
    constexpr int kSessions = 8;
    constexpr int kReadingsEach = 25;
    std::vector<std::thread> terminals;
    std::vector<std::string> failures(kSessions);
    for (int terminal = 0; terminal < kSessions; ++terminal) {
        terminals.emplace_back([&, terminal] {
            try {
                Database database = OpenDatabase(Uri());
                Recordset readings = database.OpenRecordset("Readings");
                for (int i = 0; i < kReadingsEach; ++i) {
                    AddReading(readings, "T" + std::to_string(terminal) + "-" + std::to_string(i),
                               std::to_string(terminal));
                }
            } catch (const StoreError& error) {
                failures[terminal] = error.what();
            }
        });
    }
    for (std::thread& terminal : terminals) {
        terminal.join();
    }
    for (const std::string& failure : failures) {
        EXPECT_EQ(failure, "");
    }
    EXPECT_EQ(ValueOf("SELECT count(*) || ' ' || count(DISTINCT code) FROM readings"),
              std::to_string(kSessions * kReadingsEach) + " " +
                  std::to_string(kSessions * kReadingsEach));
}

}  // namespace
}  // namespace tavix::store
