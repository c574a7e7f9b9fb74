#include "store/sqlite/record_writes.hpp"

#include <vector>

#include "store/core/stored_text.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kInsertAction = "store the new record";
constexpr std::string_view kUpdateAction = "store the changed record";

// A text written back as it was read: the stored bytes stay, so that neither a character the
// code page lacks nor the text of an older file is changed by it.
bool ReadsAs(const SqlValue& stored, const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    const std::optional<std::string_view> stored_text = stored.Text();
    return text != nullptr && stored_text && ProgramFormOf(*stored_text) == *text;
}

}  // namespace

void InsertRecord(Connection& connection, const TableSchema& table, const FieldValues& values) {
    std::string sql = "INSERT INTO " + QuoteIdentifier(table.name);
    if (values.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names, parameters;
        for (const auto& [column, value] : values) {
            names += (names.empty() ? "" : ", ") + QuoteIdentifier(table.columns[column].name);
            parameters += parameters.empty() ? "?" : ", ?";
        }
        sql += " (" + names + ") VALUES (" + parameters + ")";
    }
    Query query(connection, sql, kInsertAction);
    int parameter = 1;
    for (const auto& [column, value] : values) {
        query->Bind(parameter++, value);
    }
    while (query.Step()) {
    }
}

void UpdateRecord(Connection& connection, const TableSchema& table, std::int64_t rowid,
                  const std::vector<SqlValue>& stored, const FieldValues& values) {
    if (values.empty()) {
        return;
    }
    std::string assignments;
    for (const auto& [column, value] : values) {
        assignments += (assignments.empty() ? "" : ", ") +
                       QuoteIdentifier(table.columns[column].name) + " = ?";
    }
    const std::string sql =
        "UPDATE " + QuoteIdentifier(table.name) + " SET " + assignments + " WHERE rowid = ?";
    Query query(connection, sql, kUpdateAction);
    int parameter = 1;
    for (const auto& [column, value] : values) {
        if (column < stored.size() && ReadsAs(stored[column], value)) {
            query->Bind(parameter++, stored[column]);
        } else {
            query->Bind(parameter++, value);
        }
    }
    query->Bind(parameter, rowid);
    while (query.Step()) {
    }
}

}  // namespace tavix::store::sqlite
