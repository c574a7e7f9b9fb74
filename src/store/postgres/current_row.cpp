#include "store/postgres/current_row.hpp"

namespace tavix::store::postgres {

void CurrentRow::Keep(std::vector<std::int64_t> rowids, std::shared_ptr<const Result> result,
                      int first_column, const void* reader) {
    rowids_ = std::move(rowids);
    row_ = 0;
    result_ = std::move(result);
    first_column_ = first_column;
    reader_ = reader;
}

bool CurrentRow::StepAhead(const void* reader, std::int64_t rowid) {
    if (!Holds(rowid) || reader == nullptr || reader != reader_ || row_ + 1 >= rowids_.size()) {
        return false;
    }
    ++row_;
    return true;
}

Value CurrentRow::Field(std::size_t column, ColumnType type) const {
    return ValueFrom(*result_, static_cast<int>(row_), first_column_ + static_cast<int>(column),
                     type);
}

std::optional<std::string> CurrentRow::StoredText(std::size_t column) const {
    return result_->Field(static_cast<int>(row_), first_column_ + static_cast<int>(column));
}

}  // namespace tavix::store::postgres
