#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "store/sqlite/change_mark.hpp"
#include "store/sqlite/statement.hpp"
#include "store/value.hpp"

namespace tavix::store::sqlite {

// The record a recordset stands on, as the statement that moved it there read it, so that its
// fields cost no statement of their own. It is current only while nobody has committed to the
// file since (its change mark is unchanged): a record another program changed or deleted
// meanwhile is read again, and then its fields show the change or fail as before.
class CurrentRecord {
  public:
    // Keeps the columns of row's current row from first_column on as the record with that
    // rowid, read with the file as mark found it before the statement ran.
    void Keep(std::int64_t rowid, const std::optional<ChangeMark>& mark, const Statement& row,
              int first_column);
    void Forget() { mark_.reset(); }

    // Whether the record with that rowid is kept and the file is still as mark_now finds it.
    bool IsCurrent(std::int64_t rowid, const std::optional<ChangeMark>& mark_now) const;
    // Its field, when IsCurrent; nothing for a value too large to keep (read it alone).
    const std::optional<Value>& Field(std::size_t column) const { return fields_.at(column); }

  private:
    std::int64_t rowid_ = 0;
    std::optional<ChangeMark> mark_;
    std::vector<std::optional<Value>> fields_;
};

}  // namespace tavix::store::sqlite
