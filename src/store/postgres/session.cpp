#include "store/postgres/session.hpp"

#include "store/core/failure.hpp"
#include "store/postgres/client/password_mask.hpp"

namespace tavix::store::postgres {

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
    if (connection_) {
        connection_->Reopen();
    } else {
        connection_.emplace(target_, timeouts_);
    }
}

bool Session::Repeatable(const postgres::PostgresError& error) {
    // A server that did not answer in time is not asked again: the wait would only double.
    return error.ConnectionLost() && error.Kind() == ErrorKind::kConnectionLost;
}

postgres::Connection& Session::ReconnectAfterLoss(std::string_view action) {
    if (closed_) {
        Fail(masked_target_, action, "the database has been closed");
    }
    Reconnect();
    return *connection_;
}

void Session::Close() noexcept {
    closed_ = true;
    if (connection_) {
        connection_->Close();
    }
}

}  // namespace tavix::store::postgres
