#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pending_change.hpp"
#include "record_order.hpp"
#include "recordset.hpp"
#include "sql_value.hpp"
#include "sqlite_connection.hpp"
#include "table_schema.hpp"

namespace tavix::store {

// Where the recordset stands. kEmpty is both Eof and Bof, as on a table without records.
enum class Place { kOnRecord, kDeleted, kAfterLast, kBeforeFirst, kEmpty };

// What a recordset knows, and the small steps its operations are made of.
struct Recordset::State {
    std::shared_ptr<Connection> connection;
    TableSchema table;
    std::string index_name;
    std::optional<std::size_t> index_column;
    std::unique_ptr<RecordOrder> order;
    Place place = Place::kEmpty;
    Position position;                  // on a record, or where the deleted one stood
    std::vector<SqlValue> deleted_row;  // to place a deleted record in a newly chosen order
    bool no_match = false;
    bool closed = false;
    std::optional<PendingChange> pending;  // after the connection, so it goes first
    std::string delete_by_rowid;

    [[noreturn]] void Fail(std::string_view action, std::string_view reason) const;
    void CheckUsable(std::string_view action) const;
    void CheckCurrentRecord(std::string_view action) const;
    std::size_t ColumnOf(std::string_view field, std::string_view action) const;

    void MoveTo(const Position& target);
    // Goes to target, or to the place given when there is none.
    void MoveToOr(const std::optional<Position>& target, Place otherwise);

    Value ReadStoredField(std::size_t column, std::string_view action);
    // The current (or just deleted) record's position in an order about to be selected.
    std::optional<Position> PositionIn(RecordOrder& new_order);
};

}  // namespace tavix::store
