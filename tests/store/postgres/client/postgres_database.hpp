#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/error.hpp"
#include "support/postgres/shared_server.hpp"

namespace tavix::store::postgres {

using namespace std::chrono_literals;

// Short waits, so that the tests of the bounded waits end quickly.
inline constexpr Timeouts kShortWaits{300ms, 300ms, 300ms};

// A fresh database on the shared throw-away server, and connections to it.
class PostgresDatabase : public ::testing::Test {
  protected:
    Connection Connect(Timeouts timeouts = {}) const {
        return Connection(database_.ConnInfo(), timeouts);
    }

    testing::FreshDatabase database_;
};

// The text of a query's single value.
inline std::string ValueOf(Connection& connection, const std::string& sql) {
    return std::string(connection.Execute(sql, "read a value").Text(0, 0));
}

// The failure the statement ends with; the test fails when it succeeds.
inline PostgresError FailureOf(Connection& connection, const std::string& sql,
                               const std::vector<Parameter>& parameters = {}) {
    try {
        connection.Execute(sql, parameters, "run the statement");
    } catch (const PostgresError& error) {
        return error;
    }
    ADD_FAILURE() << "succeeded: " << sql;
    return PostgresError(ErrorKind::kOther, false, "no failure");
}

}  // namespace tavix::store::postgres
