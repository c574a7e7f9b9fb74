#include "store/core/failure.hpp"
#include "store/database.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/forwarding.hpp"
#include "store/sqlite/forwarding_problems.hpp"
#include "store/sqlite/forwarding_schema.hpp"

namespace tavix::store::sqlite {

namespace {

namespace tables = forwarding_tables;

constexpr std::string_view kAction = "read what waits to be forwarded";

// The first column of the first row exactly as stored; a null field when there is none.
StoredField FirstValue(Connection& connection, const std::string& sql) {
    Query query(connection, sql, kAction);
    StoredField field;
    if (query.Step()) {
        query->ReadStoredField(0, field);
    }
    return field;
}

std::int64_t CountOf(Connection& connection, const std::string& table) {
    return FirstValue(connection, "SELECT count(*) FROM " + table).integer;
}

// What the tables say; a table that is missing or changed is among the problems already, and
// what could not be read of it is left out.
void ReadCounts(Connection& connection, QueueState& state) {
    const std::string queue = state.spool ? tables::kSpool : tables::kOutbox;
    const char* recorded_at = state.spool ? "KeptAt" : "QueuedAt";
    try {
        state.source = FirstValue(connection, std::string("SELECT Source FROM ") +
                                                  tables::kForwarding + " LIMIT 1")
                           .text;
        state.waiting = CountOf(connection, queue);
        if (state.waiting > 0) {
            state.oldest = FirstValue(connection, std::string("SELECT ") + recorded_at + " FROM " +
                                                      queue + " ORDER BY Sequence LIMIT 1")
                               .text;
        }
        state.set_aside = CountOf(connection, tables::kSetAside);
    } catch (const StoreError& error) {
        if (state.problems.empty()) {
            state.problems.push_back(error.what());
        }
    }
}

}  // namespace

std::optional<QueueState> ReadQueueState(const std::string& file) {
    Connection connection(file, kDefaultBusyTimeout, Connection::Expect::kDatabaseToRead);
    connection.Attach(kAction);
    // One snapshot for every count; rolled back as the connection closes.
    connection.Execute("BEGIN", kAction);
    const ForwardingKind kind = FindForwardingKind(connection);
    if (kind == ForwardingKind::kNone) {
        return std::nullopt;
    }
    QueueState state;
    state.spool = kind == ForwardingKind::kSpool;
    state.problems = ForwardingProblems(connection, kind);
    ReadCounts(connection, state);
    return state;
}

}  // namespace tavix::store::sqlite
