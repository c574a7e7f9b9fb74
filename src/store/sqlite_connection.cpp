#include "sqlite_connection.hpp"

#include <sqlite3.h>

#include <utility>

#include "connection_settings.hpp"
#include "store_failure.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kOpenAction = "open the database";

}  // namespace

Connection::Connection(std::string path, std::chrono::milliseconds busy_timeout)
    : path_(std::move(path)) {
    // Without SQLITE_OPEN_CREATE a missing file is an error, and a read-only file silently
    // opens read-only; writes then fail with SQLITE_READONLY.
    const int result = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (result != SQLITE_OK) {
        const std::string reason = SqliteReason(db_, result);
        sqlite3_close(db_);
        db_ = nullptr;
        Fail(path_, kOpenAction, reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(busy_timeout.count()));
}

Connection::~Connection() {
    Close();
}

bool Connection::IsReadOnly() const {
    return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1;
}

void Connection::Execute(const std::string& sql, std::string_view action) {
    if (db_ == nullptr) {
        Fail(path_, action, "the database has been closed");
    }
    const int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        Fail(path_, action, SqliteReason(db_, result));
    }
}

Statement& Connection::Prepared(const std::string& sql) {
    if (db_ == nullptr) {
        Fail(path_, "use the database", "the database has been closed");
    }
    auto found = statements_.find(sql);
    if (found == statements_.end()) {
        found = statements_.emplace(sql, std::make_unique<Statement>(db_, path_, sql)).first;
    }
    return *found->second;
}

void Connection::PrepareToWrite() {
    if (!prepared_to_write_) {
        prepared_to_write_ = true;
        SwitchToWal(*this);
    }
}

void Connection::Close() noexcept {
    if (db_ == nullptr) {
        return;
    }
    statements_.clear();
    if (sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

}  // namespace tavix::store
