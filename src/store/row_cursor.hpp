#pragma once

#include <span>

#include "store/stored_field.hpp"

namespace tavix::store {

// Rows of one query, read forwards once. A row's fields are valid until the next Next().
class RowCursor {
  public:
    virtual ~RowCursor() = default;

    // Moves to the next row; false after the last. Throws StoreError naming the store.
    virtual bool Next() = 0;
    virtual std::span<const StoredField> Fields() const = 0;
};

}  // namespace tavix::store
