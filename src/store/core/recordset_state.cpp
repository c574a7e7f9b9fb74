#include "store/core/recordset_state.hpp"

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"

namespace tavix::store {

void Recordset::State::Fail(std::string_view action, std::string_view reason,
                            ErrorKind kind) const {
    store::Fail(table->StoreName(), action, reason, kind);
}

bool Recordset::State::CheckUsable(std::string_view action) {
    if (closed) {
        Fail(action, "the recordset has been closed");
    }
    if (table->Attach(action)) {
        table_read = false;
    }
    if (table_read) {
        return false;
    }
    LoadTable();
    table_read = true;
    return true;
}

void Recordset::State::LoadTable() {
    order = table->Order(index_name).order;
    order->ReadAhead(cache_size);
    pending.reset();
    no_match = false;
    MoveToOr(order->First(), Place::kEmpty);
}

void Recordset::State::CheckCurrentRecord(std::string_view action) {
    CheckUsable(action);
    if (place != Place::kOnRecord) {
        Fail(action, "there is no current record");
    }
}

std::size_t Recordset::State::ColumnOf(std::string_view field, std::string_view action) const {
    const auto column = table->ColumnIndex(field);
    if (!column) {
        Fail(action,
             "the table " + QuoteIdentifier(table_name) + " has no field " + QuoteIdentifier(field),
             ErrorKind::kNoSuchTable);
    }
    return *column;
}

void Recordset::State::MoveTo(const Position& target) {
    position = target;
    place = Place::kOnRecord;
    deleted_row.clear();
}

void Recordset::State::MoveToOr(const std::optional<Position>& target, Place otherwise) {
    if (target) {
        MoveTo(*target);
    } else {
        place = otherwise;
    }
}

std::optional<Position> Recordset::State::PositionIn(const SelectedOrder& selected) {
    if (place == Place::kDeleted) {
        Position deleted{position.rowid, nullptr};
        if (selected.key_column && *selected.key_column < deleted_row.size()) {
            deleted.key = deleted_row[*selected.key_column];
        }
        return deleted;
    }
    return selected.order->Find(position.rowid);
}

void Recordset::State::FollowEditedRecord(std::int64_t rowid) {
    if (place != Place::kOnRecord || position.rowid != rowid) {
        return;
    }
    try {
        if (const std::optional<Position> moved = order->Find(rowid)) {
            position = *moved;
        }
    } catch (const StoreError&) {
        // The edit is stored; only the steps from it may start from its old key.
    }
}

}  // namespace tavix::store
