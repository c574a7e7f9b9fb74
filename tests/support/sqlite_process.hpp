#pragma once

#include <sys/types.h>

#include <string>

namespace tavix::testing {

// The sqlite3 command-line program running on a database file in a process of its own: another
// program with the file open, whose locks and shared memory are its own as they would be in the
// field (a connection in the test's own process shares SQLite's per-process state).
class SqliteProcess {
  public:
    explicit SqliteProcess(const std::string& path);
    SqliteProcess(const SqliteProcess&) = delete;
    SqliteProcess& operator=(const SqliteProcess&) = delete;
    ~SqliteProcess();

    // Runs SQL statements and returns what they printed, once all of them have run.
    std::string Run(const std::string& sql);

    // Ends the program by ending its input and waits for it; true when it exited with status 0.
    bool Quit();

  private:
    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
};

}  // namespace tavix::testing
