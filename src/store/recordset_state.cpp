#include "recordset_state.hpp"

#include "query.hpp"
#include "store_failure.hpp"

namespace tavix::store {

void Recordset::State::Fail(std::string_view action, std::string_view reason) const {
    store::Fail(connection->Path(), action, reason);
}

void Recordset::State::CheckUsable(std::string_view action) const {
    if (closed) {
        Fail(action, "the recordset has been closed");
    }
    if (!connection->IsOpen()) {
        Fail(action, "the database has been closed");
    }
}

void Recordset::State::CheckCurrentRecord(std::string_view action) const {
    CheckUsable(action);
    if (place != Place::kOnRecord) {
        Fail(action, "there is no current record");
    }
}

std::size_t Recordset::State::ColumnOf(std::string_view field, std::string_view action) const {
    const auto column = table.ColumnIndex(field);
    if (!column) {
        Fail(action, "the table " + QuoteIdentifier(table.name) + " has no field " +
                         QuoteIdentifier(field));
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

}  // namespace tavix::store
