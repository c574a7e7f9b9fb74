#include "store/sqlite/readings_sink.hpp"

#include <cmath>

#include "store/core/failure.hpp"
#include "store/database.hpp"
#include "store/sqlite/row_cursor.hpp"
#include "store/sqlite/store_problems.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kOpenAction = "open the database";
constexpr std::string_view kWriteAction = "store the copied readings";
constexpr const char* kColumns[] = {"code", "qt", "terminal", "DateTime"};
constexpr const char* kInsert =
    "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES (?1, ?2, ?3, ?4)";

}  // namespace

// No creating: a copy never makes a database of a path that holds none.
ReadingsSink::ReadingsSink(std::string path) : connection_(std::move(path), kDefaultBusyTimeout) {
    connection_.Attach(kOpenAction);
    // The write lock first, so that the emptiness seen below holds until the commit.
    transaction_.emplace(connection_, kOpenAction);
    const std::vector<std::string> problems = SchemaProblems(connection_);
    if (!problems.empty()) {
        RefuseUninitialisedStore(Name(), problems);
    }
    if (const std::int64_t readings = ReadingsHeld(); readings > 0) {
        RefuseStoreWithReadings(Name(), readings);
    }
    insert_ = &connection_.Prepared(kInsert);
}

std::int64_t ReadingsSink::ReadingsHeld() {
    RowCursor count(connection_, "SELECT count(*) FROM Readings", kOpenAction);
    count.Next();
    return count.Fields()[0].integer;
}

std::vector<std::string> ReadingsSink::Append(std::span<const StoredField> reading) {
    std::vector<std::string> changes;
    for (std::size_t column = 0; column < std::size(kColumns); ++column) {
        const StoredField& field = reading[column];
        const int parameter = static_cast<int>(column) + 1;
        if (field.kind == StoredField::Kind::kReal && std::isnan(field.real)) {
            // SQLite would store NULL for it anyway; said, not silent.
            insert_->BindStoredField(parameter, StoredField{});
            changes.push_back(std::string(kColumns[column]) +
                              " NaN is not a number SQLite can store: stored as NULL");
        } else {
            insert_->BindStoredField(parameter, field);
        }
    }
    try {
        insert_->Step(kWriteAction);
    } catch (...) {
        insert_->Reset();
        throw;
    }
    insert_->Reset();
    return changes;
}

void ReadingsSink::Commit() {
    transaction_->Commit("commit the copied readings");
}

}  // namespace tavix::store::sqlite
