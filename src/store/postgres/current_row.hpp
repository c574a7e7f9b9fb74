#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/postgres/client/result.hpp"
#include "store/postgres/values.hpp"

namespace tavix::store::postgres {

// The record a recordset stands on, as the query that moved it there returned it: its fields are
// read from here until the next move, so reading a field costs no round trip. What another
// session changes meanwhile shows at the next move onto the record, and an edit reads the record
// again as it locks it. A step forward may have read the records after it too (rows ahead).
class CurrentRow {
  public:
    // The rows of result are the records with those rowids, their columns from first_column on;
    // the first is current, the others the records that follow it in reader's order.
    void Keep(std::vector<std::int64_t> rowids, std::shared_ptr<const Result> result,
              int first_column, const void* reader = nullptr);
    void Forget() { result_.reset(); }
    // Keeps the current record, not the rows ahead (a record was added meanwhile).
    void ForgetAhead() { rowids_.resize(row_ + 1); }

    bool Holds(std::int64_t rowid) const { return result_ && Rowid() == rowid; }
    std::int64_t Rowid() const { return rowids_[row_]; }
    // With the record of that rowid current, makes the next row read ahead by reader current;
    // false when there is none.
    bool StepAhead(const void* reader, std::int64_t rowid);

    // A field of the current record; Holds(rowid) first.
    Value Field(std::size_t column, ColumnType type) const;
    // Its stored text in UTF-8, or nothing for NULL.
    std::optional<std::string> StoredText(std::size_t column) const;
    // A column of the current row before the record's own (an order's key).
    std::optional<std::string> Leading(int column) const { return result_->Field(row_, column); }

  private:
    std::vector<std::int64_t> rowids_;
    std::size_t row_ = 0;
    std::shared_ptr<const Result> result_;
    int first_column_ = 0;
    const void* reader_ = nullptr;
};

}  // namespace tavix::store::postgres
