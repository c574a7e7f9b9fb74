#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/postgres/client/error.hpp"
#include "store/postgres/client/result.hpp"
#include "store/postgres/client/target_hosts.hpp"
#include "store/postgres/client/timeouts.hpp"
#include "store/postgres/client/transaction_settings.hpp"

struct pg_conn;

namespace tavix::store::postgres {

// A statement parameter in text form, as PostgreSQL reads it ("42", "2.5", "2024-05-01
// 10:00:00"); nothing is NULL. Parameters travel apart from the statement, so quotes and any
// other character in them are data, never SQL.
using Parameter = std::optional<std::string>;

// One connection to a PostgreSQL server, with the settings every connection of the store uses:
// bounded waits (see Timeouts), text in UTF-8, and synchronous_commit on whatever the server's
// default, so that a COMMIT returns only once the server has made the transaction durable.
// Each transaction makes those settings for itself (StoreSettings), at its start and in the
// same exchange, so they hold through a connection pooler too and cost no round trip; a
// setting a caller makes for the session (SET) yields to them.
// Failures throw PostgresError, whose message names the target with its password masked.
// The server's notices are dropped: libpq would print them on standard error, under the screen.
class Connection {
  public:
    // Connects to target, a URI ("postgresql://user@host/db", "postgres://...",
    // "postgresql:///db?host=/run/postgresql") or a key=value string ("host=... dbname=...").
    // Settings the target leaves out come from libpq's environment variables and defaults.
    explicit Connection(std::string target, Timeouts timeouts = {});
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    ~Connection();

    // The target with its password masked, for messages.
    const std::string& MaskedTarget() const { return masked_target_; }

    // False once the connection is lost or closed; every later statement fails with
    // ConnectionLost() until Reopen.
    bool IsOpen() const { return connection_ != nullptr; }
    // Closes what is left of the connection and connects again to the same target.
    void Reopen();
    void Close() noexcept;
    // Between statements: true when the server has ended the connection meanwhile (a restart, an
    // administrator's pg_terminate_backend, an idle timeout), which is then closed. Reads only
    // what is already there: no wait, nothing sent.
    bool DroppedWhileIdle();

    // Adds a setting every later transaction makes for itself, after the store's own.
    void SetInEveryTransaction(std::string name, std::string value);

    // Runs one statement and waits for its result, within Timeouts::statement. action says what
    // the caller was doing, for the message ("store the reading").
    Result Execute(const std::string& sql, std::string_view action);
    Result Execute(const std::string& sql, const std::vector<Parameter>& parameters,
                   std::string_view action);
    // Runs a command PostgreSQL runs only on its own, outside any transaction and pipeline
    // (CREATE DATABASE, VACUUM): without the transaction's settings.
    Result ExecuteAlone(const std::string& sql, std::string_view action);

    // Runs statements in order in one exchange with the server: they travel together and their
    // answers come back together, so a network's delay is paid once, not once per statement.
    // Their results in order; the first failure throws, and the statements after it are not run.
    struct Statement {
        std::string sql;
        std::vector<Parameter> parameters;
    };
    std::vector<Result> ExecuteInOneTrip(const std::vector<Statement>& statements,
                                         std::string_view action);

    // The process id of this connection's server process, as pg_stat_activity shows it; behind
    // a pooler, a number of the pooler's that names no server process.
    int ServerProcessId() const;

  private:
    struct ConnectFailure {
        ErrorKind kind;
        std::string detail;
    };

    void Open();
    std::optional<ConnectFailure> TryConnect(const TargetHost* host);
    ConnectFailure GiveUpConnecting(ErrorKind kind, std::string detail);
    std::string TimedOutDetail(const TargetHost* host) const;
    [[noreturn]] void FailToConnect(ErrorKind kind, std::string_view detail);
    // The settings statement for an exchange that begins with statements, and where it goes
    // among them; none when the exchange continues a transaction, which made them already.
    std::optional<std::size_t> SettingsPosition(const std::vector<Statement>& statements) const;
    Statement SettingsStatement() const;
    void RefuseNul(const std::vector<Parameter>& parameters, std::string_view action);
    void Send(const std::string& sql, const std::vector<Parameter>& parameters,
              std::string_view action);
    void AwaitResult(Clock::time_point deadline, std::string_view action);
    void Flush(Clock::time_point deadline, std::string_view action);
    void EndPipeline(Clock::time_point deadline, std::string_view action);
    Result Collect(Clock::time_point deadline, std::string_view action);
    void CheckOutcome(const Result& result, std::string_view action);

    // Throws "<masked target>: cannot <action>: <reason> (<detail>)", closing the connection
    // first when it is lost.
    [[noreturn]] void Fail(ErrorKind kind, bool lost, std::string_view action,
                           std::string_view reason, std::string_view detail,
                           std::string sqlstate = {});
    [[noreturn]] void FailLost(std::string_view action, std::string_view detail);
    [[noreturn]] void FailTimedOut(std::string_view action, std::chrono::milliseconds waited);

    struct Finish {
        void operator()(pg_conn* connection) const;
    };
    std::string target_;
    std::string masked_target_;
    Timeouts timeouts_;
    std::vector<TransactionSetting> added_settings_;
    std::unique_ptr<pg_conn, Finish> connection_;
};

}  // namespace tavix::store::postgres
