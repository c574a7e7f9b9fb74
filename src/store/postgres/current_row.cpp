#include "store/postgres/current_row.hpp"

namespace tavix::store::postgres {

void CurrentRow::Keep(std::int64_t rowid, std::shared_ptr<const Result> result, int first_column) {
    rowid_ = rowid;
    result_ = std::move(result);
    first_column_ = first_column;
}

void CurrentRow::Forget() {
    result_.reset();
}

Value CurrentRow::Field(std::size_t column, ColumnType type) const {
    return ValueFrom(*result_, 0, first_column_ + static_cast<int>(column), type);
}

std::optional<std::string> CurrentRow::StoredText(std::size_t column) const {
    return result_->Field(0, first_column_ + static_cast<int>(column));
}

}  // namespace tavix::store::postgres
