#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/core/pending_change.hpp"
#include "store/core/record_order.hpp"
#include "store/core/store_table.hpp"
#include "store/recordset.hpp"
#include "store/store_error.hpp"

namespace tavix::store {

// Where the recordset stands. kEmpty is both Eof and Bof, as on a table without records.
enum class Place { kOnRecord, kDeleted, kAfterLast, kBeforeFirst, kEmpty };

// What a recordset knows, and the small steps its operations are made of. Everything here is
// the same for every kind of store; the table (StoreTable) is the store's part.
struct Recordset::State {
    std::unique_ptr<StoreTable> table;
    std::string table_name;  // as the recordset was opened on it
    bool table_read = false;
    std::string index_name;  // as the store spells it; "" for the table's own order
    std::unique_ptr<RecordOrder> order;
    int cache_size = 1;  // records read at once by the steps forward, each order's in turn
    Place place = Place::kEmpty;
    Position position;                  // on a record, or where the deleted one stood
    std::vector<OrderKey> deleted_row;  // to place a deleted record in a newly chosen order
    bool no_match = false;
    bool closed = false;
    std::optional<PendingChange> pending;  // after the table, so it goes first

    [[noreturn]] void Fail(std::string_view action, std::string_view reason,
                           ErrorKind kind = ErrorKind::kOther) const;
    // Fails once the recordset or its database is closed. Makes the store usable, and reads
    // the table afresh when the store asks for it (a file opened anew): true when it did so.
    bool CheckUsable(std::string_view action);
    void CheckCurrentRecord(std::string_view action);
    // Prepares the current order on the table just read, and makes the first record current,
    // as on opening.
    void LoadTable();
    std::size_t ColumnOf(std::string_view field, std::string_view action) const;

    void MoveTo(const Position& target);
    // Goes to target, or to the place given when there is none.
    void MoveToOr(const std::optional<Position>& target, Place otherwise);

    // The current (or just deleted) record's position in an order about to be selected.
    std::optional<Position> PositionIn(const SelectedOrder& selected);
    // After an edit of the current record: its place in the current order, which a changed
    // key moves.
    void FollowEditedRecord(std::int64_t rowid);
};

}  // namespace tavix::store
