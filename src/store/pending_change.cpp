#include "pending_change.hpp"

#include <vector>

#include "query.hpp"
#include "stored_text.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kUpdateAction = "store the changed record";

// The record's columns exactly as stored; empty when it is gone.
std::vector<SqlValue> StoredRow(Connection& connection, const TableSchema& table,
                                std::int64_t rowid) {
    Query query(connection, "SELECT * FROM " + QuoteIdentifier(table.name) + " WHERE rowid = ?1",
                kUpdateAction);
    query->Bind(1, rowid);
    std::vector<SqlValue> row;
    if (query.Step()) {
        for (int column = 0; column < query->ColumnCount(); ++column) {
            row.push_back(query->ColumnSqlValue(column));
        }
    }
    return row;
}

bool HasText(const std::map<std::size_t, Value>& values) {
    for (const auto& [column, value] : values) {
        if (std::holds_alternative<std::string>(value)) {
            return true;
        }
    }
    return false;
}

// A text written back as it was read: the stored bytes stay, so that neither a character the
// code page lacks nor the text of an older file is changed by it.
bool ReadsAs(const SqlValue& stored, const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    const std::optional<std::string_view> stored_text = stored.Text();
    return text != nullptr && stored_text && ProgramFormOf(*stored_text) == *text;
}

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
    const std::vector<SqlValue> stored =
        HasText(values_) ? StoredRow(connection, table, rowid_) : std::vector<SqlValue>();
    Query query(connection, sql, kUpdateAction);
    int parameter = 1;
    for (const auto& [column, value] : values_) {
        if (column < stored.size() && ReadsAs(stored[column], value)) {
            query->Bind(parameter++, stored[column]);
        } else {
            query->Bind(parameter++, value);
        }
    }
    query->Bind(parameter, rowid_);
    while (query.Step()) {
    }
}

}  // namespace tavix::store
