#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "store/postgres/client/result.hpp"
#include "store/postgres/values.hpp"

namespace tavix::store::postgres {

// The record a recordset stands on, as the query that moved it there returned it: its fields are
// read from here until the next move, so reading a field costs no round trip. What another
// session changes meanwhile shows at the next move onto the record, and an edit reads the record
// again as it locks it.
class CurrentRow {
  public:
    // The record with that rowid is the first row of result, its columns from first_column on.
    void Keep(std::int64_t rowid, std::shared_ptr<const Result> result, int first_column);
    void Forget();

    bool Holds(std::int64_t rowid) const { return result_ && rowid_ == rowid; }
    // A field of the record held; Holds(rowid) first.
    Value Field(std::size_t column, ColumnType type) const;
    // Its stored text in UTF-8, or nothing for NULL.
    std::optional<std::string> StoredText(std::size_t column) const;

  private:
    std::int64_t rowid_ = 0;
    std::shared_ptr<const Result> result_;
    int first_column_ = 0;
};

}  // namespace tavix::store::postgres
