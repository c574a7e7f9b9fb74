#include "store/sqlite/current_record.hpp"

namespace tavix::store::sqlite {

namespace {

// Another tool may store megabytes in a field: such a value is not copied with every move but
// read alone when it is asked for, so that it is held once at a time, as a field read alone is.
constexpr int kLargestKeptBytes = 64 * 1024;

}  // namespace

void CurrentRecord::Keep(std::int64_t rowid, const std::optional<ChangeMark>& mark,
                         const Statement& row, int first_column) {
    rowid_ = rowid;
    mark_ = mark;
    fields_.clear();
    for (int column = first_column; column < row.ColumnCount(); ++column) {
        if (row.ColumnBytes(column) <= kLargestKeptBytes) {
            fields_.emplace_back(row.ColumnValue(column));
        } else {
            fields_.emplace_back(std::nullopt);
        }
    }
}

bool CurrentRecord::IsCurrent(std::int64_t rowid, const std::optional<ChangeMark>& mark_now) const {
    return mark_ && mark_now && rowid == rowid_ && *mark_ == *mark_now;
}

}  // namespace tavix::store::sqlite
