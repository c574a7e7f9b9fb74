#include "pending_change.hpp"

#include "query.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kUpdateAction = "store the changed record";

}  // namespace

PendingChange PendingChange::ForNewRecord() {
    return PendingChange();
}

PendingChange PendingChange::ForEdit(std::int64_t rowid,
                                     std::unique_ptr<ImmediateTransaction> lock) {
    PendingChange change;
    change.rowid_ = rowid;
    change.transaction_ = std::move(lock);
    return change;
}

const Value* PendingChange::Assigned(std::size_t column) const {
    const auto found = values_.find(column);
    return found == values_.end() ? nullptr : &found->second;
}

void PendingChange::Write(Connection& connection, const TableSchema& table) {
    if (IsEdit()) {
        UpdateRecord(connection, table);
        transaction_->Commit();
        return;
    }
    ImmediateTransaction transaction(connection, kInsertAction);
    Insert(connection, table);
    transaction.Commit();
}

void PendingChange::Insert(Connection& connection, const TableSchema& table) {
    std::string sql = "INSERT INTO " + QuoteIdentifier(table.name);
    if (values_.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names, parameters;
        for (const auto& [column, value] : values_) {
            names += (names.empty() ? "" : ", ") + QuoteIdentifier(table.columns[column].name);
            parameters += parameters.empty() ? "?" : ", ?";
        }
        sql += " (" + names + ") VALUES (" + parameters + ")";
    }
    Query query(connection, sql, kInsertAction);
    int parameter = 1;
    for (const auto& [column, value] : values_) {
        query->Bind(parameter++, value);
    }
    while (query.Step()) {
    }
}

void PendingChange::UpdateRecord(Connection& connection, const TableSchema& table) {
    if (values_.empty()) {
        return;
    }
    std::string assignments;
    for (const auto& [column, value] : values_) {
        assignments += (assignments.empty() ? "" : ", ") +
                       QuoteIdentifier(table.columns[column].name) + " = ?";
    }
    const std::string sql =
        "UPDATE " + QuoteIdentifier(table.name) + " SET " + assignments + " WHERE rowid = ?";
    Query query(connection, sql, kUpdateAction);
    int parameter = 1;
    for (const auto& [column, value] : values_) {
        query->Bind(parameter++, value);
    }
    query->Bind(parameter, rowid_);
    while (query.Step()) {
    }
}

}  // namespace tavix::store
