#pragma once

#include <cstdint>
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
#include "store_error.hpp"
#include "table_schema.hpp"

namespace tavix::store {

// Where the recordset stands. kEmpty is both Eof and Bof, as on a table without records.
enum class Place { kOnRecord, kDeleted, kAfterLast, kBeforeFirst, kEmpty };

// What a recordset knows, and the small steps its operations are made of.
struct Recordset::State {
    std::shared_ptr<Connection> connection;
    std::string table_name;        // as the recordset was opened on it
    std::uint64_t generation = 0;  // of the connection's file the table was read from
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

    [[noreturn]] void Fail(std::string_view action, std::string_view reason,
                           ErrorKind kind = ErrorKind::kOther) const;
    // Fails once the recordset or its database is closed. Opens the database file again when
    // the connection let go of it, and then reads the table afresh: true when it did so.
    bool CheckUsable(std::string_view action);
    void CheckCurrentRecord(std::string_view action);
    // Reads the table's columns and prepares its current order on the connection's file, and
    // makes the first record current, as on opening.
    void LoadTable();
    std::size_t ColumnOf(std::string_view field, std::string_view action) const;

    void MoveTo(const Position& target);
    // Goes to target, or to the place given when there is none.
    void MoveToOr(const std::optional<Position>& target, Place otherwise);

    Value ReadStoredField(std::size_t column, std::string_view action);
    // The current (or just deleted) record's position in an order about to be selected.
    std::optional<Position> PositionIn(RecordOrder& new_order);
    // After an edit of the current record: its place in the current order, which a changed
    // key moves.
    void FollowEditedRecord(std::int64_t rowid);
};

}  // namespace tavix::store
