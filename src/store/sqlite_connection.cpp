#include "sqlite_connection.hpp"

#include <sqlite3.h>

#include <utility>

#include "connection_settings.hpp"
#include "store_failure.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kLetGoReason =
    "the file was removed or replaced while in use, so nothing was written to it; the next use "
    "opens the file the path names then";

}  // namespace

Connection::Connection(std::string path, std::chrono::milliseconds busy_timeout, Expect expect)
    : path_(std::move(path)), busy_timeout_(busy_timeout), expect_(expect) {}

Connection::~Connection() {
    Close();
}

bool Connection::IsReadOnly() const {
    return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1;
}

void Connection::Attach(std::string_view action) {
    if (closed_) {
        Fail(path_, action, "the database has been closed");
    }
    if (db_ == nullptr) {
        Open(action);
    }
}

void Connection::AttachWithoutWaiting(std::string_view action) {
    const std::chrono::milliseconds patience = std::exchange(busy_timeout_, {});
    try {
        Attach(action);
    } catch (...) {
        busy_timeout_ = patience;
        throw;
    }
    busy_timeout_ = patience;
    sqlite3_busy_timeout(db_, static_cast<int>(busy_timeout_.count()));
}

void Connection::CheckStillNamed(std::string_view action) {
    RequireOpen(action);
    if (!StillNamed()) {
        LetGo();
        Fail(path_, action, kLetGoReason, ErrorKind::kIo);
    }
}

void Connection::Execute(const std::string& sql, std::string_view action) {
    RequireOpen(action);
    const int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        FailOnSqlite(path_, action, db_, result);
    }
}

Statement& Connection::Prepared(const std::string& sql) {
    RequireOpen("use the database");
    auto found = statements_.find(sql);
    if (found == statements_.end()) {
        found = statements_.emplace(sql, std::make_unique<Statement>(db_, path_, sql)).first;
    }
    return *found->second;
}

void Connection::PrepareToWrite(std::string_view action) {
    RequireOpen(action);
    if (!prepared_to_write_) {
        CheckStillNamed(action);  // the switch itself writes to the file
        prepared_to_write_ = SwitchToWal(*this);
    }
}

void Connection::Close() noexcept {
    closed_ = true;
    if (db_ == nullptr) {
        return;
    }
    if (StillNamed()) {
        CloseHandle();
    } else {
        LetGo();
    }
}

void Connection::RequireOpen(std::string_view action) const {
    if (closed_) {
        Fail(path_, action, "the database has been closed");
    }
    if (db_ == nullptr) {
        Fail(path_, action,
             "the file is not open: it could not be opened, or it was removed or replaced while "
             "in use");
    }
}

bool Connection::StillNamed() const {
    const std::optional<FileIdentity> named = IdentityOf(path_);
    return named && *named == identity_;
}

}  // namespace tavix::store
