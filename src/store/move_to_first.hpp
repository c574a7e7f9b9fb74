#pragma once

#include "recordset.hpp"

namespace tavix::store {

// Moves to the first record in the current order; with no records the recordset stays at Eof,
// which is no failure. A store that cannot be read (locked, damaged, out of reach) throws
// StoreError, for the caller to decide on: it is not taken for an empty table.
void MoveToFirst(Recordset& recordset);

}  // namespace tavix::store
