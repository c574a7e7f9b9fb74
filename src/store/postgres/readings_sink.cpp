#include "store/postgres/readings_sink.hpp"

#include "store/core/failure.hpp"
#include "store/postgres/admin_session.hpp"
#include "store/postgres/column_values.hpp"
#include "store/postgres/store_problems.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kCopyAction = "store the copied readings";
constexpr std::size_t kColumnsPerReading = 4;
// Readings per INSERT: few round trips, and far below the 65535 parameters a statement takes.
constexpr std::size_t kBatchReadings = 1000;

std::string InsertFor(std::size_t readings) {
    std::string sql = "INSERT INTO readings (code, qt, terminal, datetime) VALUES ";
    for (std::size_t reading = 0; reading < readings; ++reading) {
        const std::size_t first = reading * kColumnsPerReading + 1;
        sql += reading == 0 ? "(" : ", (";
        // Appended piece by piece: GCC 12 at -O2 warns (-Wrestrict, wrongly) of "$" + text.
        const auto placeholder = [&](std::size_t number, const char* type) {
            sql += '$';
            sql += std::to_string(number);
            sql += type;
        };
        placeholder(first, "::text, ");
        placeholder(first + 1, "::double precision, ");
        placeholder(first + 2, "::text, ");
        placeholder(first + 3, "::timestamp)");
    }
    return sql;
}

std::int64_t ReadingsHeld(postgres::Connection& connection) {
    return std::stoll(
        std::string(connection.Execute("SELECT count(*) FROM readings", kOpenAction).Text(0, 0)));
}

}  // namespace

ReadingsSink::ReadingsSink(const std::string& uri)
    : connection_(OpenAdminConnection(uri)), full_batch_insert_(InsertFor(kBatchReadings)) {
    transaction_.emplace(connection_, kCopyAction);
    const std::vector<std::string> problems = SchemaProblems(connection_);
    if (!problems.empty()) {
        RefuseUninitialisedStore(Name(), problems);
    }
    // Held to the commit: no reading stored meanwhile by another program slips in between
    // the copied ones, and the table stays as empty as it is seen now.
    connection_.Execute("LOCK TABLE readings IN EXCLUSIVE MODE", kOpenAction);
    if (const std::int64_t readings = ReadingsHeld(connection_); readings > 0) {
        RefuseStoreWithReadings(Name(), readings);
    }
    pending_.reserve(kBatchReadings * kColumnsPerReading);
}

std::vector<std::string> ReadingsSink::Append(std::span<const StoredField> reading) {
    const ColumnValue values[] = {
        TextColumnValue(reading[0], "code"),
        NumberColumnValue(reading[1], "qt"),
        TextColumnValue(reading[2], "terminal"),
        DateTimeColumnValue(reading[3], "DateTime"),
    };
    std::vector<std::string> changes;
    for (const ColumnValue& value : values) {
        pending_.push_back(value.parameter);
        if (!value.change.empty()) {
            changes.push_back(value.change);
        }
    }
    if (pending_.size() == kBatchReadings * kColumnsPerReading) {
        InsertPending();
    }
    return changes;
}

void ReadingsSink::InsertPending() {
    if (pending_.empty()) {
        return;
    }
    const std::size_t readings = pending_.size() / kColumnsPerReading;
    connection_.Execute(readings == kBatchReadings ? full_batch_insert_ : InsertFor(readings),
                        pending_, kCopyAction);
    pending_.clear();
}

void ReadingsSink::Commit() {
    InsertPending();
    try {
        transaction_->Commit();
    } catch (const postgres::PostgresError& error) {
        if (!error.ConnectionLost()) {
            throw;
        }
        throw StoreError(std::string(error.what()) +
                         "; whether the copy was stored is not known: look with tavix-admin "
                         "stats");
    }
}

}  // namespace tavix::store::postgres
