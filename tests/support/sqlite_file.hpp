#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

namespace tavix::testing {

// A value bound to a numbered parameter (?1, ?2, ...): a text, a number, or NULL.
using SqlParameter = std::variant<std::string, double, std::int64_t, std::nullptr_t>;

// A database file opened through SQLite itself, in a connection of its own: another program
// with the same file open, to prepare a file before the program or the store sees it, to hold
// a lock on it, and to read back what they left there. The tests' only way to SQLite besides
// the store and the sqlite3 program (SqliteProcess).
class SqliteFile {
  public:
    enum class Open { kReadWrite, kCreate, kReadOnly };

    // Throws std::runtime_error when the file cannot be opened. Without a busy timeout a
    // locked file is refused at once (SQLITE_BUSY), which is what a test of locking needs.
    explicit SqliteFile(const std::string& path, Open open = Open::kReadWrite,
                        std::chrono::milliseconds busy_timeout = std::chrono::milliseconds(0));
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;
    ~SqliteFile();

    // The SQLite result code of running the statements, for tests of refusals and locks.
    int Execute(const std::string& sql);
    // Runs the statements; throws std::runtime_error with SQLite's message when one fails.
    void Run(const std::string& sql);
    // Runs one statement with its parameters bound in order; throws as Run does.
    void Run(const std::string& sql, const std::vector<SqlParameter>& parameters);

    // Every row of a query, each column as SQLite gives it as text ("" for NULL); throws
    // std::runtime_error when the query fails.
    std::vector<std::vector<std::string>> Rows(const std::string& sql);
    // The first column of the first row as text; "" when there is no row or it is NULL.
    std::string Text(const std::string& sql);
    // The first column of the first row as an integer; -1 when there is no row.
    std::int64_t Number(const std::string& sql);

  private:
    [[noreturn]] void Fail(const std::string& sql) const;

    std::string path_;
    sqlite3* db_ = nullptr;
};

}  // namespace tavix::testing
