#include "recordset_state.hpp"

#include "query.hpp"
#include "store_error.hpp"
#include "store_failure.hpp"

namespace tavix::store {

void Recordset::State::Fail(std::string_view action, std::string_view reason,
                            ErrorKind kind) const {
    store::Fail(connection->Path(), action, reason, kind);
}

bool Recordset::State::CheckUsable(std::string_view action) {
    if (closed) {
        Fail(action, "the recordset has been closed");
    }
    connection->Attach(action);
    if (generation == connection->Generation()) {
        return false;
    }
    LoadTable();
    return true;
}

void Recordset::State::LoadTable() {
    TableSchema loaded = LoadTableSchema(*connection, table_name);
    std::unique_ptr<RecordOrder> new_order;
    std::optional<std::size_t> new_index_column;
    if (index_name.empty()) {
        new_order = MakeTableOrder(*connection, loaded);
    } else {
        const IndexOnColumn index = FindIndex(*connection, loaded, index_name);
        new_order = MakeIndexOrder(*connection, loaded, index);
        new_index_column = loaded.ColumnIndex(index.column_name);
    }
    const std::string quoted = QuoteIdentifier(loaded.name);
    delete_by_rowid = "DELETE FROM " + quoted + " WHERE rowid = ?1 RETURNING *";
    table = std::move(loaded);
    order = std::move(new_order);
    index_column = new_index_column;
    pending.reset();
    no_match = false;
    MoveToOr(order->First(), Place::kEmpty);
    generation = connection->Generation();
}

void Recordset::State::CheckCurrentRecord(std::string_view action) {
    CheckUsable(action);
    if (place != Place::kOnRecord) {
        Fail(action, "there is no current record");
    }
}

std::size_t Recordset::State::ColumnOf(std::string_view field, std::string_view action) const {
    const auto column = table.ColumnIndex(field);
    if (!column) {
        Fail(action,
             "the table " + QuoteIdentifier(table.name) + " has no field " + QuoteIdentifier(field),
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

Value Recordset::State::ReadStoredField(std::size_t column, std::string_view action) {
    // Only the one column: SQLite loads every column a query names, and another tool may
    // have stored megabytes in the others.
    const std::string select = "SELECT " + QuoteIdentifier(table.columns.at(column).name) +
                               " FROM " + QuoteIdentifier(table.name) + " WHERE rowid = ?1";
    Query query(*connection, select, action);
    query->Bind(1, position.rowid);
    if (!query.Step()) {
        Fail(action, "the current record no longer exists (another program deleted it)");
    }
    return query->ColumnValue(0);
}

std::optional<Position> Recordset::State::PositionIn(RecordOrder& new_order) {
    if (place == Place::kDeleted) {
        Position deleted{position.rowid, {}};
        if (index_column && *index_column < deleted_row.size()) {
            deleted.key = deleted_row[*index_column];
        }
        return deleted;
    }
    return new_order.Find(position.rowid);
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
