#include "store/postgres/session.hpp"

#include "store/core/failure.hpp"
#include "store/postgres/client/password_mask.hpp"

namespace tavix::store::postgres {

namespace {

// Until the server process of a lost connection has ended, what it was committing may still
// land; ending it waits at most this long.
constexpr std::chrono::milliseconds kServerProcessEnd{5000};

}  // namespace

Session::Session(std::string target, postgres::Timeouts timeouts,
                 std::shared_ptr<ReadingKeeper> keeper)
    : target_(std::move(target)),
      masked_target_(postgres::MaskPassword(target_)),
      timeouts_(timeouts),
      keeper_(std::move(keeper)) {}

void Session::Connect(std::string_view action) {
    PrepareConnection(action);
}

bool Session::PrepareConnection(std::string_view action) {
    if (closed_) {
        Fail(masked_target_, action, "the database has been closed");
    }
    if (IsConnected() && !connection_->DroppedWhileIdle()) {
        return false;
    }
    Reconnect();
    return true;
}

void Session::Reconnect() {
    ++generation_;
    server_process_ = {};
    if (connection_) {
        connection_->Reopen();
    } else {
        connection_.emplace(target_, timeouts_);
    }
    const postgres::Result process = connection_->Execute(
        "SELECT pid::text, backend_start::text FROM pg_stat_activity "
        "WHERE pid = pg_backend_pid()",
        "identify the server process");
    server_process_ = {std::string(process.Text(0, 0)), std::string(process.Text(0, 1))};
}

bool Session::Repeatable(const postgres::PostgresError& error) {
    // A server that did not answer in time is not asked again: the wait would only double.
    return error.ConnectionLost() && error.Kind() == ErrorKind::kConnectionLost;
}

postgres::Connection& Session::SettleLostConnection(std::string_view action) {
    const ServerProcess lost = server_process_;
    Reconnect();
    if (lost.id.empty()) {
        Fail(masked_target_, action,
             "the connection was lost before its server process was known, so whether the "
             "change was stored is unknown",
             ErrorKind::kConnectionLost);
    }
    // A process that ends in the middle of a commit finishes the commit first; once it is gone
    // (ended here, or already), its transaction is settled either way.
    const std::vector<postgres::Parameter> process{lost.id, lost.started};
    connection_->Execute(
        "SELECT pg_terminate_backend(pid, $3::bigint) FROM pg_stat_activity "
        "WHERE pid = $1::int AND backend_start = $2::timestamptz",
        {lost.id, lost.started, std::to_string(kServerProcessEnd.count())}, action);
    const postgres::Result still_there = connection_->Execute(
        "SELECT count(*) FROM pg_stat_activity "
        "WHERE pid = $1::int AND backend_start = $2::timestamptz",
        process, action);
    if (still_there.Text(0, 0) != "0") {
        Fail(masked_target_, action,
             "the server process of the lost connection did not end in time, so whether the "
             "change was stored is unknown",
             ErrorKind::kTimedOut);
    }
    return *connection_;
}

void Session::Close() noexcept {
    closed_ = true;
    if (connection_) {
        connection_->Close();
    }
}

}  // namespace tavix::store::postgres
