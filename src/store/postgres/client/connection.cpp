#include "store/postgres/client/connection.hpp"

#include <libpq-fe.h>
#include <poll.h>

#include <utility>

#include "store/postgres/client/error.hpp"
#include "store/postgres/client/key_passphrase.hpp"
#include "store/postgres/client/password_mask.hpp"
#include "store/postgres/client/socket_wait.hpp"
#include "store/postgres/client/target_hosts.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kConnectAction = "connect";

void DropNotice(void* /*unused*/, const char* /*message*/) {}

bool Failed(const Result& result) {
    const ExecStatusType status = PQresultStatus(result.Raw());
    return status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
}

// libpq's and the server's messages span lines ("FATAL:  ...\nserver closed ..."); a
// message of ours is one line.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\r';
        if (!space) {
            line.push_back(c);
        } else if (!line.empty() && line.back() != ' ') {
            line.push_back(' ');
        }
    }
    if (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

}  // namespace

void Connection::Finish::operator()(pg_conn* connection) const {
    PQfinish(connection);
}

Connection::Connection(std::string target, Timeouts timeouts)
    : target_(std::move(target)), masked_target_(MaskPassword(target_)), timeouts_(timeouts) {
    Open();
}

Connection::Connection(Connection&&) noexcept = default;
Connection& Connection::operator=(Connection&&) noexcept = default;
Connection::~Connection() = default;

void Connection::Reopen() {
    Close();
    Open();
}

void Connection::Close() noexcept {
    connection_.reset();
}

bool Connection::DroppedWhileIdle() {
    if (!IsOpen()) {
        return true;
    }
    // An idle connection receives nothing but the server's last words before it ends the
    // session (and, rarely, a notice); then the end itself. A few reads see both.
    constexpr int kReads = 4;
    for (int read = 0; read < kReads; ++read) {
        pollfd watched{PQsocket(connection_.get()), POLLIN, 0};
        if (::poll(&watched, 1, 0) <= 0) {
            return false;
        }
        if (PQconsumeInput(connection_.get()) == 0 ||
            PQstatus(connection_.get()) == CONNECTION_BAD) {
            Close();
            return true;
        }
    }
    return false;
}

int Connection::ServerProcessId() const {
    return IsOpen() ? PQbackendPID(connection_.get()) : 0;
}

// Each server of a target that lists several gets a wait of its own: libpq's own walk through
// the list would spend the whole wait on a first server that never answers (a host that is
// down drops the packets, it does not refuse them) and never reach the standby behind it.
void Connection::Open() {
    NeverAskForAKeyPassphrase();
    const std::vector<TargetHost> hosts = HostsOf(target_);
    if (hosts.empty()) {
        if (const std::optional<ConnectFailure> failure = TryConnect(nullptr)) {
            FailToConnect(failure->kind, failure->detail);
        }
        return;
    }
    std::string details;
    bool all_timed_out = true;
    for (const TargetHost& host : hosts) {
        const std::optional<ConnectFailure> failure = TryConnect(&host);
        if (!failure) {
            return;
        }
        details.append(details.empty() ? "" : "; ").append(failure->detail);
        all_timed_out = all_timed_out && failure->kind == ErrorKind::kTimedOut;
    }
    FailToConnect(all_timed_out ? ErrorKind::kTimedOut : ErrorKind::kConnectionLost, details);
}

// Connects to the target, or to host alone when given; why not, when it cannot.
std::optional<Connection::ConnectFailure> Connection::TryConnect(const TargetHost* host) {
    const auto deadline = Clock::now() + timeouts_.connect;
    // The target may be a whole connection string (expand_dbname); the settings after it take
    // precedence over what it says, and an empty one is left as the target has it.
    const std::string none;
    const char* const keywords[] = {"dbname", "client_encoding", "fallback_application_name",
                                    "host",   "hostaddr",        "port",
                                    nullptr};
    const char* const values[] = {target_.c_str(),
                                  "UTF8",
                                  "tavix",
                                  (host != nullptr ? host->host : none).c_str(),
                                  (host != nullptr ? host->hostaddr : none).c_str(),
                                  (host != nullptr ? host->port : none).c_str(),
                                  nullptr};
    connection_.reset(PQconnectStartParams(keywords, values, 1));
    if (connection_ == nullptr) {
        throw PostgresError(ErrorKind::kOther, true,
                            masked_target_ + ": cannot connect: out of memory");
    }
    PQsetNoticeProcessor(connection_.get(), DropNotice, nullptr);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (polling != PGRES_POLLING_OK) {
        if (polling == PGRES_POLLING_FAILED || PQstatus(connection_.get()) == CONNECTION_BAD ||
            PQsocket(connection_.get()) < 0) {
            return GiveUpConnecting(ErrorKind::kConnectionLost, PQerrorMessage(connection_.get()));
        }
        if (WaitForSocket(PQsocket(connection_.get()), polling == PGRES_POLLING_WRITING,
                          deadline) == SocketWait::kDeadlinePassed) {
            return GiveUpConnecting(ErrorKind::kTimedOut, TimedOutDetail(host));
        }
        polling = PQconnectPoll(connection_.get());
    }
    if (PQsetnonblocking(connection_.get(), 1) != 0) {
        return GiveUpConnecting(ErrorKind::kConnectionLost, PQerrorMessage(connection_.get()));
    }
    return std::nullopt;
}

Connection::ConnectFailure Connection::GiveUpConnecting(ErrorKind kind, std::string detail) {
    Close();
    return {kind, std::move(detail)};
}

std::string Connection::TimedOutDetail(const TargetHost* host) const {
    if (host == nullptr) {
        return "";
    }
    const std::string& name = host->host.empty() ? host->hostaddr : host->host;
    return "server " + name + (host->port.empty() ? "" : " port " + host->port) +
           " did not answer within " + std::to_string(timeouts_.connect.count()) + " ms";
}

void Connection::FailToConnect(ErrorKind kind, std::string_view detail) {
    if (kind == ErrorKind::kTimedOut) {
        Fail(kind, true, kConnectAction,
             "the server did not answer within " + std::to_string(timeouts_.connect.count()) +
                 " ms, the connection is closed",
             detail);
    }
    FailLost(kConnectAction, detail);
}

void Connection::SetInEveryTransaction(std::string name, std::string value) {
    added_settings_.push_back({std::move(name), std::move(value)});
}

std::optional<std::size_t> Connection::SettingsPosition(
    const std::vector<Statement>& statements) const {
    if (statements.empty() || PQtransactionStatus(connection_.get()) != PQTRANS_IDLE) {
        return std::nullopt;
    }
    return OpensTransactionBlock(statements.front().sql) ? 1 : 0;
}

Connection::Statement Connection::SettingsStatement() const {
    std::vector<TransactionSetting> settings =
        StoreSettings(timeouts_, PQserverVersion(connection_.get()));
    settings.insert(settings.end(), added_settings_.begin(), added_settings_.end());
    Statement statement{SettingsQuery(settings.size()), {}};
    for (TransactionSetting& setting : settings) {
        statement.parameters.emplace_back(std::move(setting.name));
        statement.parameters.emplace_back(std::move(setting.value));
    }
    return statement;
}

Result Connection::Execute(const std::string& sql, std::string_view action) {
    return Execute(sql, {}, action);
}

// Even one statement goes in a pipeline: its transaction's settings travel with it.
Result Connection::Execute(const std::string& sql, const std::vector<Parameter>& parameters,
                           std::string_view action) {
    return std::move(ExecuteInOneTrip({{sql, parameters}}, action).front());
}

Result Connection::ExecuteAlone(const std::string& sql, std::string_view action) {
    Send(sql, {}, action);
    const auto deadline = Clock::now() + timeouts_.statement + timeouts_.answer_grace;
    Flush(deadline, action);
    Result result = Collect(deadline, action);
    CheckOutcome(result, action);
    return result;
}

// libpq's pipeline: every statement and one Sync are sent before any answer is awaited. After a
// failure the server skips the rest up to the Sync; each skipped one still answers (aborted).
// Statements outside a transaction block run in one implicit transaction up to the Sync, so
// settings made first hold for all of them, and for a BEGIN's block after them too.
std::vector<Result> Connection::ExecuteInOneTrip(const std::vector<Statement>& statements,
                                                 std::string_view action) {
    if (!IsOpen()) {
        FailLost(action, "the connection is closed");
    }
    for (const Statement& statement : statements) {
        RefuseNul(statement.parameters, action);
    }
    const std::optional<std::size_t> settings_at = SettingsPosition(statements);
    if (PQenterPipelineMode(connection_.get()) == 0) {
        FailLost(action, PQerrorMessage(connection_.get()));
    }
    for (std::size_t i = 0; i <= statements.size(); ++i) {
        if (settings_at == i) {
            const Statement settings = SettingsStatement();
            Send(settings.sql, settings.parameters, action);
        }
        if (i < statements.size()) {
            Send(statements[i].sql, statements[i].parameters, action);
        }
    }
    if (PQpipelineSync(connection_.get()) == 0) {
        FailLost(action, PQerrorMessage(connection_.get()));
    }
    const auto deadline = Clock::now() + timeouts_.statement + timeouts_.answer_grace;
    Flush(deadline, action);
    std::vector<Result> results;
    const std::size_t sent = statements.size() + (settings_at ? 1 : 0);
    for (std::size_t i = 0; i < sent; ++i) {
        results.push_back(Collect(deadline, action));
    }
    EndPipeline(deadline, action);
    for (const Result& result : results) {
        CheckOutcome(result, action);
    }
    if (settings_at) {
        results.erase(results.begin() + static_cast<std::ptrdiff_t>(*settings_at));
    }
    return results;
}

// Before anything is sent, so that the connection stays ready for the next statement.
void Connection::RefuseNul(const std::vector<Parameter>& parameters, std::string_view action) {
    for (const Parameter& parameter : parameters) {
        if (parameter && parameter->find('\0') != std::string::npos) {
            // libpq would cut the text there and store the rest silently lost.
            Fail(ErrorKind::kOther, false, action,
                 "a text holds a NUL character, which PostgreSQL cannot store", "");
        }
    }
}

void Connection::Send(const std::string& sql, const std::vector<Parameter>& parameters,
                      std::string_view action) {
    if (!IsOpen()) {
        FailLost(action, "the connection is closed");
    }
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const Parameter& parameter : parameters) {
        values.push_back(parameter ? parameter->c_str() : nullptr);
    }
    if (PQsendQueryParams(connection_.get(), sql.c_str(), static_cast<int>(values.size()), nullptr,
                          values.data(), nullptr, nullptr, 0) == 0) {
        FailLost(action, PQerrorMessage(connection_.get()));
    }
}

// Reads from the server until a whole result has come, within the deadline.
void Connection::AwaitResult(Clock::time_point deadline, std::string_view action) {
    while (PQisBusy(connection_.get()) == 1) {
        if (WaitForSocket(PQsocket(connection_.get()), false, deadline) ==
            SocketWait::kDeadlinePassed) {
            FailTimedOut(action, timeouts_.statement + timeouts_.answer_grace);
        }
        if (PQconsumeInput(connection_.get()) == 0) {
            FailLost(action, PQerrorMessage(connection_.get()));
        }
    }
}

// Reads the Sync's answer and leaves pipeline mode, so the next statement goes alone again.
void Connection::EndPipeline(Clock::time_point deadline, std::string_view action) {
    AwaitResult(deadline, action);
    const Result sync(PQgetResult(connection_.get()));
    if (sync.Raw() == nullptr || PQresultStatus(sync.Raw()) != PGRES_PIPELINE_SYNC ||
        PQexitPipelineMode(connection_.get()) == 0) {
        FailLost(action, PQerrorMessage(connection_.get()));
    }
}

void Connection::Flush(Clock::time_point deadline, std::string_view action) {
    while (true) {
        const int flushed = PQflush(connection_.get());
        if (flushed == 0) {
            return;
        }
        if (flushed < 0) {
            FailLost(action, PQerrorMessage(connection_.get()));
        }
        if (WaitForSocket(PQsocket(connection_.get()), true, deadline) ==
            SocketWait::kDeadlinePassed) {
            FailTimedOut(action, timeouts_.statement + timeouts_.answer_grace);
        }
        if (PQconsumeInput(connection_.get()) == 0) {
            FailLost(action, PQerrorMessage(connection_.get()));
        }
    }
}

// Reads every result of the statement, so the connection is ready for the next one, and keeps
// the first failure, or else the last result.
Result Connection::Collect(Clock::time_point deadline, std::string_view action) {
    std::optional<Result> outcome;
    while (true) {
        AwaitResult(deadline, action);
        pg_result* next = PQgetResult(connection_.get());
        if (next == nullptr) {
            break;
        }
        Result result(next);
        const ExecStatusType status = PQresultStatus(next);
        if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
            // COPY would need its own protocol; give up the connection rather than hang in it.
            FailLost(action, "COPY is not supported by this client");
        }
        if (!outcome || !Failed(*outcome)) {
            outcome.emplace(std::move(result));
        }
    }
    if (!outcome) {
        FailLost(action, PQerrorMessage(connection_.get()));
    }
    return std::move(*outcome);
}

void Connection::CheckOutcome(const Result& result, std::string_view action) {
    const ExecStatusType status = PQresultStatus(result.Raw());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY) {
        return;
    }
    const char* sqlstate = PQresultErrorField(result.Raw(), PG_DIAG_SQLSTATE);
    const char* primary = PQresultErrorField(result.Raw(), PG_DIAG_MESSAGE_PRIMARY);
    const std::string detail = primary != nullptr ? primary : PQresultErrorMessage(result.Raw());
    const ErrorKind kind = KindOfSqlState(sqlstate != nullptr ? sqlstate : "");
    if (kind == ErrorKind::kConnectionLost || PQstatus(connection_.get()) == CONNECTION_BAD) {
        FailLost(action, detail);
    }
    const std::string reason = kind == ErrorKind::kTimedOut
                                   ? "the server did not finish within " +
                                         std::to_string(timeouts_.statement.count()) + " ms"
                                   : std::string(Reason(kind));
    Fail(kind, false, action, reason, detail, sqlstate != nullptr ? sqlstate : "");
}

void Connection::FailLost(std::string_view action, std::string_view detail) {
    Fail(ErrorKind::kConnectionLost, true, action,
         action == kConnectAction ? "the server cannot be reached or refused the session"
                                  : Reason(ErrorKind::kConnectionLost),
         detail);
}

void Connection::FailTimedOut(std::string_view action, std::chrono::milliseconds waited) {
    Fail(ErrorKind::kTimedOut, true, action,
         "the server did not answer within " + std::to_string(waited.count()) +
             " ms, the connection is closed",
         "");
}

void Connection::Fail(ErrorKind kind, bool lost, std::string_view action, std::string_view reason,
                      std::string_view detail, std::string sqlstate) {
    std::string message = masked_target_;
    message.append(": cannot ").append(action).append(": ").append(reason);
    const std::string cleaned = OneLine(WithoutPasswords(std::string(detail), target_));
    if (!cleaned.empty()) {
        message.append(" (").append(cleaned).append(")");
    }
    if (lost) {
        Close();
    }
    throw PostgresError(kind, lost, message, std::move(sqlstate));
}

}  // namespace tavix::store::postgres
